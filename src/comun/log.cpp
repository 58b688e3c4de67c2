#include "comun/log.h"

#include <cerrno>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

#include "comun/fechas.h"

namespace orvo {

namespace {
std::mutex& cerrojo() {
  static std::mutex m;
  return m;
}
std::filesystem::path& carpeta() {
  static std::filesystem::path c;
  return c;
}
}  // namespace

void Log::usarCarpeta(std::filesystem::path c) {
  std::lock_guard l(cerrojo());
  carpeta() = std::move(c);
}

void Log::escribir(const std::string& mensaje) {
  std::filesystem::path ruta;
  {
    std::lock_guard l(cerrojo());
    if (carpeta().empty()) return;
    ruta = carpeta() / "suite.log";
  }
  std::string linea = textoFecha(ahoraUtc()) + " " + mensaje + "\n";
  // O_CREAT without creating the folder: a missing data folder loses the line, as it should.
  int fd = ::open(ruta.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  size_t hecho = 0;
  while (hecho < linea.size()) {
    ssize_t n = ::write(fd, linea.data() + hecho, linea.size() - hecho);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    hecho += size_t(n);
  }
  ::close(fd);
}

}  // namespace orvo
