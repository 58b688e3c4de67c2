// Version comparison on arbitrary text: no crash, and the order it gives is consistent.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "comun/versiones.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
  std::string_view texto(reinterpret_cast<const char*>(datos), tam);
  auto corte = texto.find('\n');
  auto a = texto.substr(0, corte);
  auto b = corte == std::string_view::npos ? std::string_view() : texto.substr(corte + 1);
  int ab = orvo::compararVersiones(a, b), ba = orvo::compararVersiones(b, a);
  if (ab != -ba || ab < -1 || ab > 1 || orvo::compararVersiones(a, a) != 0) std::abort();
  return 0;
}
