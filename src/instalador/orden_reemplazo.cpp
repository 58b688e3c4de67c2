#include "instalador/orden_reemplazo.h"

#include "comun/comillas.h"

namespace orvo {

std::string ordenDeReemplazo(const std::filesystem::path& respaldo,
                             const std::filesystem::path& destino,
                             const std::filesystem::path& nuevo) {
  auto r = entreComillas(respaldo), d = entreComillas(destino), n = entreComillas(nuevo);
  return "rm -rf " + r + " && { [ ! -e " + d + " ] || mv " + d + " " + r + "; } && mv " + n + " " +
         d;
}

}  // namespace orvo
