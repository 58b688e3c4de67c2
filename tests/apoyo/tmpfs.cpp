#include "apoyo/tmpfs.h"

#include <string>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace orvo::prueba {

Tmpfs::Tmpfs(const std::filesystem::path& carpeta, uint64_t bytes) : carpeta_(carpeta) {
  std::filesystem::create_directories(carpeta);
  auto opciones = "size=" + std::to_string(bytes) + ",mode=0755";
  montado_ = ::mount("tmpfs", carpeta.c_str(), "tmpfs", 0, opciones.c_str()) == 0;
}

Tmpfs::~Tmpfs() {
  if (montado_) ::umount2(carpeta_.c_str(), MNT_DETACH);
}

void Tmpfs::llenar(uint64_t dejar) const {
  ::unlink((carpeta_ / ".relleno").c_str());
  struct statvfs v {};
  if (::statvfs(carpeta_.c_str(), &v) != 0) return;
  uint64_t libre = uint64_t(v.f_bavail) * v.f_frsize;
  if (libre <= dejar) return;
  int fd = ::open((carpeta_ / ".relleno").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  // Allocated, not written: tmpfs counts the pages all the same.
  (void)::posix_fallocate(fd, 0, static_cast<off_t>(libre - dejar));
  ::close(fd);
}

}  // namespace orvo::prueba
