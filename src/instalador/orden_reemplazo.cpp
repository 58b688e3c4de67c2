#include "instalador/orden_reemplazo.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/syscall.h>

#include "comun/comillas.h"

namespace orvo {

std::string ordenDeReemplazo(const std::filesystem::path& respaldo,
                             const std::filesystem::path& destino,
                             const std::filesystem::path& nuevo) {
  auto r = entreComillas(respaldo), d = entreComillas(destino), n = entreComillas(nuevo);
  return "rm -rf " + r + " && { [ ! -e " + d + " ] || mv " + d + " " + r + "; } && mv " + n + " " +
         d;
}

namespace {

std::string intercambio(const std::string& a, const std::string& b) {
  return "perl -e 'syscall(" + std::to_string(SYS_renameat2) + "," + std::to_string(AT_FDCWD) +
         ",$ARGV[0]," + std::to_string(AT_FDCWD) + ",$ARGV[1]," + std::to_string(RENAME_EXCHANGE) +
         ")==0 or die \"$!\\n\"' " + a + " " + b;
}

}  // namespace

std::string ordenDeVuelta(const std::filesystem::path& respaldo,
                          const std::filesystem::path& destino, bool mismoDisco,
                          const std::filesystem::path& aqui, const std::filesystem::path& alla) {
  auto r = entreComillas(respaldo), d = entreComillas(destino);
  if (mismoDisco) return intercambio(r, d);
  auto a = entreComillas(aqui), l = entreComillas(alla);
  // Once the installed bundle is exchanged the going back is done; the backup's own
  // exchange after it only keeps the version that left.
  return "cp -a " + r + " " + a + " && cp -a " + d + " " + l + " && sync && " + intercambio(a, d) +
         " && { " + intercambio(l, r) + "; rm -rf " + a + " " + l + "; true; } || { rm -rf " + a +
         " " + l + "; exit 1; }";
}

}  // namespace orvo
