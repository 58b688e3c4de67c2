// Redirects of requests that carry a secret, followed by hand: curl would carry the headers
// along, so such requests stop at each redirect and both sessions follow it here.
#pragma once

#include <string>

#include "comun/resultado.h"
#include "plataforma/http.h"

namespace orvo {

// The request to send after `peticion` was redirected to `destino` (absolute) for the
// `saltos`-th time: the same one at `destino`, without its headers once it leaves its origin.
// It stays `privada`, so every later redirect comes here too. Refused, with the reason in
// Spanish, past 10 redirects or when it would leave https for plain http.
Resultado<PeticionHttp> saltoDeRedireccion(const PeticionHttp& peticion, const std::string& destino,
                                           int saltos);

}  // namespace orvo
