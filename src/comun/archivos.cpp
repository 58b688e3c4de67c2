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

}  // namespace

fs::path hermanoOculto(const fs::path& destino) {
  return destino.parent_path() / ("." + destino.filename().string() + "." + uuidMayusculas());
}

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

namespace {

// Copies one item and everything below it, keeping modes, times and symbolic links; times
// matter because the installed version is told apart by its files' dates.
Error copiarArbol(const fs::path& desde, const fs::path& hacia) {
  struct stat st {};
  if (::lstat(desde.c_str(), &st) != 0) return textoErrno("No pude leer " + desde.string(), errno);
  const timespec tiempos[2] = {st.st_atim, st.st_mtim};
  if (S_ISLNK(st.st_mode)) {
    std::error_code ec;
    auto destino = fs::read_symlink(desde, ec);
    if (ec) return "No pude leer " + desde.string() + ": " + ec.message();
    if (::symlink(destino.c_str(), hacia.c_str()) != 0)
      return textoErrno("No pude copiar " + desde.string(), errno);
    ::utimensat(AT_FDCWD, hacia.c_str(), tiempos, AT_SYMLINK_NOFOLLOW);
    return std::nullopt;
  }
  if (S_ISDIR(st.st_mode)) {
    if (::mkdir(hacia.c_str(), 0700) != 0)
      return textoErrno("No pude copiar " + desde.string(), errno);
    std::error_code ec;
    for (fs::directory_iterator it(desde, ec), fin; !ec && it != fin; it.increment(ec))
      if (auto e = copiarArbol(it->path(), hacia / it->path().filename())) return e;
    if (ec) return "No pude leer " + desde.string() + ": " + ec.message();
    // The folder's own mode and time last: filling it changed its time, a read-only mode
    // would have stopped the filling.
    if (::chmod(hacia.c_str(), st.st_mode & 07777) != 0 ||
        ::utimensat(AT_FDCWD, hacia.c_str(), tiempos, 0) != 0)
      return textoErrno("No pude copiar " + desde.string(), errno);
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode)) return "No copio " + desde.string() + ": no es un archivo normal";
  int de = ::open(desde.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (de < 0) return textoErrno("No pude leer " + desde.string(), errno);
  int a = ::open(hacia.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (a < 0) {
    int codigo = errno;
    ::close(de);
    return textoErrno("No pude copiar " + desde.string(), codigo);
  }
  Error e;
  for (;;) {
    ssize_t n = ::copy_file_range(de, nullptr, a, nullptr, 1 << 30, 0);
    if (n == 0) break;
    if (n > 0) continue;
    if (errno == EINTR) continue;
    if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL) {
      // Older kernels copy only within one filesystem: plain reads and writes.
      char buf[1 << 16];
      ssize_t leidos;
      while ((leidos = ::read(de, buf, sizeof buf)) > 0 &&
             !(e = escribirTodo(a, std::string_view(buf, size_t(leidos))))) {
      }
      if (!e && leidos < 0) e = textoErrno("No pude leer " + desde.string(), errno);
    } else {
      e = textoErrno("No pude copiar " + desde.string(), errno);
    }
    break;
  }
  if (!e && (::fchmod(a, st.st_mode & 07777) != 0 || ::futimens(a, tiempos) != 0))
    e = textoErrno("No pude copiar " + desde.string(), errno);
  if (::close(a) != 0 && !e) e = textoErrno("No pude copiar " + desde.string(), errno);
  ::close(de);
  return e;
}

}  // namespace

Error sincronizar(const fs::path& ruta) {
  int fd = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return textoErrno("No pude abrir " + ruta.string(), errno);
  int r = ::syncfs(fd);
  int codigo = errno;
  ::close(fd);
  if (r != 0) return textoErrno("No pude guardar en disco " + ruta.string(), codigo);
  return std::nullopt;
}

void quitar(const fs::path& ruta) {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(ruta, ec))) return;
  // Renamed out of the way first: a kill in the middle of the removal leaves only a hidden
  // leftover that quitarRestos recognises, never a half-deleted item under its own name.
  // A hidden sibling is already such a leftover: renamed again, its name would no longer
  // be one that quitarRestos recognises.
  auto n = ruta.filename().string();
  if (n.size() > 38 && n[0] == '.' && n[n.size() - 37] == '.') {
    quitarArbol(ruta);
    return;
  }
  auto aparte = hermanoOculto(ruta);
  quitarArbol(::rename(ruta.c_str(), aparte.c_str()) == 0 ? aparte : ruta);
}

Error copiar(const fs::path& desde, const fs::path& hacia) {
  Error e = copiarArbol(desde, hacia);
  if (!e) e = sincronizar(hacia);
  if (e) quitarArbol(hacia);
  return e;
}

Error mover(const fs::path& desde, const fs::path& hacia) {
  if (::rename(desde.c_str(), hacia.c_str()) == 0) return std::nullopt;
  if (errno != EXDEV) return textoErrno("No pude mover " + desde.string(), errno);
  fs::path temporal = hermanoOculto(hacia);
  Error e = copiar(desde, temporal);
  // The source goes only once its copy is whole, on disk, and under its final name.
  if (!e && ::rename(temporal.c_str(), hacia.c_str()) != 0) {
    e = textoErrno("No pude mover " + desde.string(), errno);
    quitarArbol(temporal);
  }
  if (e) return e;
  quitar(desde);
  return std::nullopt;
}

void quitarRestos(const fs::path& carpeta, const std::string& nombre) {
  std::error_code ec;
  const std::string prefijo = "." + nombre + ".";
  for (fs::directory_iterator it(carpeta, ec), fin; !ec && it != fin; it.increment(ec)) {
    auto n = it->path().filename().string();
    if (n.size() == prefijo.size() + 36 && n.starts_with(prefijo)) quitarArbol(it->path());
  }
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
