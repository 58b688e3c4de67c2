#include "comun/archivos.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace orvo {

namespace {

std::string textoErrno(const std::string& que, int codigo) {
  return que + ": " + std::strerror(codigo);
}

Error escribirTodo(int fd, std::string_view bytes) {
  size_t hecho = 0;
  while (hecho < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + hecho, bytes.size() - hecho);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return textoErrno("No pude escribir", errno ? errno : EIO);
    hecho += size_t(n);
  }
  return std::nullopt;
}

fs::path hermanoOculto(const fs::path& destino) {
  return destino.parent_path() / ("." + destino.filename().string() + "." + uuidMayusculas());
}

}  // namespace

Error escribirAtomico(const fs::path& destino, std::string_view bytes, mode_t modo) {
  fs::path temporal = hermanoOculto(destino);
  int fd = ::open(temporal.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, modo);
  if (fd < 0) return textoErrno("No pude crear " + temporal.string(), errno);
  // The umask may have narrowed the mode; the caller's mode is what it asked for.
  ::fchmod(fd, modo);
  Error e = escribirTodo(fd, bytes);
  if (!e && ::fsync(fd) != 0) e = textoErrno("No pude guardar en disco", errno);
  if (::close(fd) != 0 && !e) e = textoErrno("No pude cerrar", errno);
  if (!e && ::rename(temporal.c_str(), destino.c_str()) != 0)
    e = textoErrno("No pude reemplazar " + destino.string(), errno);
  if (e) {
    ::unlink(temporal.c_str());
    return e;
  }
  // The rename is durable only once the folder itself is flushed.
  int dir = ::open(destino.parent_path().empty() ? "." : destino.parent_path().c_str(),
                   O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return std::nullopt;
}

Error escribirDirecto(const fs::path& destino, std::string_view bytes) {
  int fd = ::open(destino.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return textoErrno("No pude abrir " + destino.string(), errno);
  Error e = escribirTodo(fd, bytes);
  ::close(fd);
  return e;
}

std::optional<std::string> leerArchivo(const fs::path& ruta, size_t limite) {
  std::ifstream f(ruta, std::ios::binary);
  if (!f) return std::nullopt;
  std::string datos;
  char buf[65536];
  while (f.read(buf, sizeof buf) || f.gcount() > 0) {
    datos.append(buf, size_t(f.gcount()));
    if (datos.size() > limite) return std::nullopt;
  }
  if (f.bad()) return std::nullopt;
  return datos;
}

Error mover(const fs::path& desde, const fs::path& hacia) {
  if (::rename(desde.c_str(), hacia.c_str()) == 0) return std::nullopt;
  if (errno != EXDEV) return textoErrno("No pude mover " + desde.string(), errno);
  fs::path temporal = hermanoOculto(hacia);
  std::error_code ec;
  fs::copy(desde, temporal, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
  if (!ec) {
    // fs::copy keeps permission bits of files; folders need theirs copied too.
    auto st = fs::symlink_status(desde, ec);
    if (!ec && fs::is_directory(st)) fs::permissions(temporal, st.permissions(), ec);
  }
  if (ec) {
    fs::remove_all(temporal, ec);
    return "No pude copiar " + desde.string() + ": " + ec.message();
  }
  if (::rename(temporal.c_str(), hacia.c_str()) != 0) {
    int codigo = errno;
    fs::remove_all(temporal, ec);
    return textoErrno("No pude mover " + desde.string(), codigo);
  }
  fs::remove_all(desde, ec);
  return std::nullopt;
}

Error intercambiar(const fs::path& a, const fs::path& b) {
  if (::syscall(SYS_renameat2, AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) != 0)
    return textoErrno("No pude intercambiar " + a.string() + " y " + b.string(), errno);
  return std::nullopt;
}

std::string uuidMayusculas() {
  thread_local std::mt19937_64 gen{std::random_device{}()};
  uint64_t alto = gen(), bajo = gen();
  // Version 4, variant 10xx.
  alto = (alto & 0xFFFFFFFFFFFF0FFFull) | 0x0000000000004000ull;
  bajo = (bajo & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull;
  char buf[37];
  std::snprintf(buf, sizeof buf, "%08X-%04X-%04X-%04X-%012llX", unsigned(alto >> 32),
                unsigned((alto >> 16) & 0xFFFF), unsigned(alto & 0xFFFF), unsigned(bajo >> 48),
                (unsigned long long)(bajo & 0xFFFFFFFFFFFFull));
  return buf;
}

}  // namespace orvo
