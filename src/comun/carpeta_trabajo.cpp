#include "comun/carpeta_trabajo.h"

#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "comun/archivos.h"

namespace orvo {

namespace fs = std::filesystem;

CarpetaOcupada::CarpetaOcupada(const fs::path& carpeta)
    : fd_(::open(carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (fd_ >= 0) ::flock(fd_, LOCK_SH);
}

CarpetaOcupada::~CarpetaOcupada() {
  if (fd_ >= 0) ::close(fd_);
}

void quitarCarpetasHuerfanas(const fs::path& temporal) {
  std::error_code ec;
  for (fs::directory_iterator it(temporal, ec), fin; !ec && it != fin; it.increment(ec)) {
    auto nombre = it->path().filename().string();
    bool nuestra = false;
    for (std::string prefijo : {"orvo-suite-", "orvo-descargas-"})
      nuestra = nuestra || (nombre.starts_with(prefijo) && nombre.size() == prefijo.size() + 36);
    if (nuestra && !it->is_symlink(ec) && it->is_directory(ec)) quitarSiNadieLaTiene(it->path());
  }
}

void quitarSiNadieLaTiene(const fs::path& carpeta) {
  int fd = ::open(carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  // Exclusive at once only when no live process holds it.
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) quitarArbol(carpeta);
  ::close(fd);
}

}  // namespace orvo
