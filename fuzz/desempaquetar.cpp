// The unpacker fed arbitrary bytes as a zip: no crash, no hang, nothing written outside its
// destination, and never more than its limits allow.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "comun/archivos.h"
#include "comun/desempaquetar.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
  namespace fs = std::filesystem;
  static const auto raiz = [] {
    auto c = fs::temp_directory_path() / ("orvo-fuzz-zip-" + std::to_string(getpid()));
    fs::create_directories(c);
    return c;
  }();
  auto zip = raiz / "a.zip", jaula = raiz / "jaula", destino = jaula / "d";
  if (orvo::escribirDirecto(zip, std::string_view(reinterpret_cast<const char*>(datos), tam)))
    std::abort();
  orvo::LimitesDesempaque limites;
  limites.bytes = 4u << 20;
  limites.entradas = 2000;
  int r = orvo::desempaquetar(zip, destino, limites);
  uintmax_t escritos = 0;
  std::error_code e;
  for (fs::recursive_directory_iterator it(destino, e), fin; !e && it != fin; it.increment(e))
    if (it->is_regular_file(e) && !it->is_symlink(e)) escritos += it->file_size(e);
  // The cage holds only the destination; anything beside it got out.
  for (const auto& item : fs::directory_iterator(jaula))
    if (item.path() != destino) std::abort();
  if (escritos > limites.bytes ||
      (r != 0 && r != orvo::kSinZip && r != orvo::kDanado && r != orvo::kInseguro &&
       r != orvo::kDemasiado && r != orvo::kNoEscrito && r != orvo::kSinEspacio &&
       r != orvo::kEspecial && r != orvo::kVueltas))
    std::abort();
  fs::remove_all(jaula, e);
  return 0;
}
