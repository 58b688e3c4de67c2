#include "comun/documentos.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace orvo {

Resultado<std::filesystem::path> apartarDanado(const std::filesystem::path& ruta) {
  for (int n = 1; n < 10000; ++n) {
    std::filesystem::path copia =
        ruta.string() + ".danado" + (n > 1 ? "." + std::to_string(n) : "");
    if (::syscall(SYS_renameat2, AT_FDCWD, ruta.c_str(), AT_FDCWD, copia.c_str(),
                  RENAME_NOREPLACE) == 0)
      return Resultado<std::filesystem::path>::exito(copia);
    if (errno != EEXIST)
      return Resultado<std::filesystem::path>::fallo("No pude apartar " + ruta.string() + ": " +
                                                     std::strerror(errno));
  }
  return Resultado<std::filesystem::path>::fallo("No pude apartar " + ruta.string() +
                                                 ": hay demasiadas copias dañadas");
}

}  // namespace orvo
