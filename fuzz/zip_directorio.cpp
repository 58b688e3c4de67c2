// The end of central directory and the directory of arbitrary bytes taken as a whole
// archive: no crash, no read out of bounds, and what parses lies inside the input.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "comun/zip_directorio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
  std::string_view b(reinterpret_cast<const char*>(datos), tam);
  orvo::largoCabeceraLocal(b);
  auto fin = orvo::leerFinDirectorio(b, tam);
  if (!fin) return 0;
  const auto& f = fin.valor();
  if (f.inicio > tam || f.largo > tam - f.inicio) std::abort();
  auto entradas = orvo::leerDirectorio(b.substr(f.inicio, f.largo), f);
  if (entradas)
    for (const auto& e : entradas.valor())
      if (e.local >= f.inicio) std::abort();
  return 0;
}
