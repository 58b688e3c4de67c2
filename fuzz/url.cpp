// URL parsing and resolution on arbitrary text: no crash; a parsed reference prints to
// text that parses again, and a resolved one is absolute.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "comun/url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
  std::string_view texto(reinterpret_cast<const char*>(datos), tam);
  auto corte = texto.find('\n');
  auto base = orvo::analizarUrl(texto.substr(0, corte));
  auto ref = orvo::analizarUrl(corte == std::string_view::npos ? "" : texto.substr(corte + 1));
  (void)orvo::origenDe(texto);
  (void)orvo::admiteSecretos(texto);
  if (base && !orvo::analizarUrl(base->texto())) std::abort();
  if (base && ref && base->absoluta()) {
    auto destino = orvo::resolverUrl(*base, *ref);
    if (!destino.absoluta()) std::abort();
    (void)orvo::analizarUrl(destino.texto());
  }
  (void)orvo::desescapar(texto);
  return 0;
}
