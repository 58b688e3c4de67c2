// Why a transfer failed, in Spanish, never curl's own English text: a lower-case fragment
// that follows "No pude conectarme al servidor: " or "Se cortó la descarga: ", then, where
// the user can do something about it, one sentence on what to try. Cut transfers, which
// the installer resumes by itself, get no advice.
#pragma once

#include <string>

#include <curl/curl.h>

namespace orvo {

struct ContextoFallo {
  std::string host;         // the server, named in the not-found text
  long errnoSistema = 0;    // CURLINFO_OS_ERRNO: a refused connection or an unreachable network
  std::string proxy;        // "host:port" of the proxy the transfer went through, if any
  long respuestaProxy = 0;  // the proxy's answer to CONNECT (CURLINFO_HTTP_CONNECTCODE)
};

std::string describirFalloCurl(CURLcode codigo, const ContextoFallo& contexto = {});

// The same for a transfer that ended on `easy`: the host of its last URL and the proxy
// chosen for it.
std::string describirFalloCurl(CURL* easy, CURLcode codigo);

}  // namespace orvo
