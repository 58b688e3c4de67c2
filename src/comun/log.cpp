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

// Texts from outside (links, server answers, file names) reach the log inside messages:
// a line feed or a terminal escape in one must not forge a line or rewrite the screen of
// whoever reads the file. Control characters are written as \n, \r, \t or \xNN.
std::string sinControles(const std::string& texto) {
  std::string r;
  r.reserve(texto.size());
  for (unsigned char c : texto) {
    if (c >= 0x20 && c != 0x7F) {
      r += static_cast<char>(c);
    } else if (c == '\n') {
      r += "\\n";
    } else if (c == '\r') {
      r += "\\r";
    } else if (c == '\t') {
      r += "\\t";
    } else {
      static const char kHex[] = "0123456789abcdef";
      r += "\\x";
      r += kHex[c >> 4];
      r += kHex[c & 15];
    }
  }
  return r;
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
  std::string linea = textoFecha(ahoraUtc()) + " " + sinControles(mensaje) + "\n";
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
