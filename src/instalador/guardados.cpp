#include "instalador/guardados.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "comun/archivos.h"

namespace orvo {

namespace fs = std::filesystem;

namespace {

bool aDisco(const fs::path& ruta, int modo) {
  int fd = ::open(ruta.c_str(), modo | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

void acotar(const fs::path& carpeta) {
  std::error_code e;
  uint64_t tope = std::min<uint64_t>(kTopeGuardados, fs::space(carpeta, e).available / 10);
  if (e) return;
  struct Copia {
    fs::file_time_type fecha;
    uint64_t tam;
    fs::path ruta;
  };
  std::vector<Copia> copias;
  uint64_t suma = 0;
  for (fs::directory_iterator it(carpeta, e), fin; !e && it != fin; it.increment(e)) {
    std::error_code x;
    if (it->path().extension() != ".zip" || !it->is_regular_file(x)) continue;
    Copia c{it->last_write_time(x), it->file_size(x), it->path()};
    if (x) continue;
    suma += c.tam;
    copias.push_back(std::move(c));
  }
  std::sort(copias.begin(), copias.end(), [](auto& a, auto& b) { return a.fecha < b.fecha; });
  for (const auto& c : copias) {
    if (suma <= tope) break;
    if (fs::remove(c.ruta, e)) suma -= c.tam;
  }
}

}  // namespace

fs::path carpetaGuardados(Sistema& sistema) {
  return carpetaXdg(sistema, "XDG_CACHE_HOME", ".cache") / "orvo-suite";
}

std::optional<fs::path> archivoGuardado(const fs::path& carpeta, const std::string& id) {
  bool simple =
      !id.empty() && id.size() <= 128 && id[0] != '.' &&
      std::none_of(id.begin(), id.end(), [](unsigned char c) { return c < 32 || c == '/'; });
  if (!simple) return std::nullopt;
  return carpeta / (id + ".zip");
}

Error guardarArchivo(const fs::path& zip, const fs::path& destino) {
  std::error_code e;
  auto carpeta = destino.parent_path();
  fs::create_directories(carpeta, e);
  if (e) return "No pude crear " + carpeta.string() + ": " + e.message();
  quitarRestos(carpeta, destino.filename().string());
  // A rename on one disk must not leave a name over bytes still in the page cache.
  if (!aDisco(zip, O_RDONLY)) return "No pude llevar " + zip.string() + " al disco";
  if (auto fallo = mover(zip, destino)) return fallo;
  aDisco(carpeta, O_RDONLY | O_DIRECTORY);
  acotar(carpeta);
  return std::nullopt;
}

}  // namespace orvo
