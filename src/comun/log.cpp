#include "comun/log.h"

#include <cerrno>
#include <ctime>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

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
std::string ahora() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  char buf[32];
  if (!gmtime_r(&t, &tm) || std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm) == 0)
    return "0000-00-00T00:00:00Z";
  return buf;
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
  std::string linea = ahora() + " " + mensaje + "\n";
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
