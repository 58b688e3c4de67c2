// Removal that never follows a link: every folder is opened with O_NOFOLLOW and emptied
// through its descriptor, so a link put where a folder was goes itself and what it points at
// stays, even when the swap happens while the removal runs.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <system_error>

#include "comun/archivos.h"

namespace orvo {

namespace {

bool quitarEn(int padre, const char* nombre);

// Empties the folder open at `fd`, and closes it.
bool vaciarDescriptor(int fd) {
  DIR* d = ::fdopendir(fd);
  if (d == nullptr) {
    ::close(fd);
    return false;
  }
  bool bien = true;
  while (dirent* e = ::readdir(d)) {
    std::string_view n = e->d_name;
    if (n != "." && n != "..") bien = quitarEn(::dirfd(d), e->d_name) && bien;
  }
  ::closedir(d);
  return bien;
}

bool quitarEn(int padre, const char* nombre) {
  int fd = ::openat(padre, nombre, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return true;
    // A file or a link: it goes itself.
    if (errno == ENOTDIR || errno == ELOOP)
      return ::unlinkat(padre, nombre, 0) == 0 || errno == ENOENT;
    return ::unlinkat(padre, nombre, AT_REMOVEDIR) == 0;
  }
  bool bien = vaciarDescriptor(fd);
  return (::unlinkat(padre, nombre, AT_REMOVEDIR) == 0 || errno == ENOENT) && bien;
}

}  // namespace

bool quitarArbol(const fs::path& ruta) {
  auto normal = ruta.lexically_normal();
  if (!normal.has_filename()) normal = normal.parent_path();
  if (normal.empty() || normal.filename() == "." || normal.filename() == "..") return false;
  auto carpeta = normal.parent_path();
  int padre = ::open(carpeta.empty() ? "." : carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (padre < 0) return errno == ENOENT;
  bool bien = quitarEn(padre, normal.filename().c_str());
  ::close(padre);
  return bien;
}

void vaciarCarpeta(const fs::path& carpeta) {
  int fd = ::open(carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) {
    vaciarDescriptor(fd);
    return;
  }
  // Something else where the folder goes, a link above all: it goes, the folder comes.
  if (errno == ENOTDIR || errno == ELOOP) quitarArbol(carpeta);
  std::error_code e;
  fs::create_directories(carpeta, e);
}

}  // namespace orvo
