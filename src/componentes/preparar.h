// The checks between a downloaded archive and a release ready to be placed.
#pragma once

#include <filesystem>

#include "componentes/registros.h"
#include "comun/resultado.h"

namespace orvo {

// Checks the digest of `zip` against `r`, unpacks it into a fresh folder inside
// `preparando` and checks its componente.json. Returns that folder, flushed to disk; on
// any failure the folder is gone and the message says why. Touches nothing else, so it
// runs on a worker.
Resultado<std::filesystem::path> preparar(const std::filesystem::path& zip,
                                          const ComponenteRemoto& r,
                                          const std::filesystem::path& preparando);

}  // namespace orvo
