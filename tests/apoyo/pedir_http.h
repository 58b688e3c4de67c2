// One request or download on a real Http, waited for; a request that never completes
// fails the test instead of hanging it.
#pragma once

#include <filesystem>

#include "plataforma/http.h"

namespace orvo::prueba {

RespuestaHttp pedirYEsperar(Http& http, PeticionHttp peticion,
                            const std::filesystem::path& destino = {});

}  // namespace orvo::prueba
