// Why a transfer failed, in Spanish: lower-case fragments that follow "No pude conectarme
// al servidor: ", never curl's own English text.
#pragma once

#include <string>

#include <curl/curl.h>

namespace orvo {

// `host` names the server in the not-found text; `errnoSistema` (CURLINFO_OS_ERRNO) tells
// a refused connection from a network that cannot reach the server.
std::string describirFalloCurl(CURLcode codigo, const std::string& host = "",
                               long errnoSistema = 0);

// The same for a transfer that ended on `easy`, with the host of its last URL.
std::string describirFalloCurl(CURL* easy, CURLcode codigo);

}  // namespace orvo
