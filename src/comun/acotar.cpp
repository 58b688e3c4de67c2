#include "comun/acotar.h"

namespace orvo {

std::string acotar(std::string texto, size_t maximo) {
  if (texto.size() <= maximo) return texto;
  const std::string puntos = "\u2026";
  size_t corte = maximo > puntos.size() ? maximo - puntos.size() : 0;
  // Never in the middle of a UTF-8 sequence.
  while (corte > 0 && (static_cast<unsigned char>(texto[corte]) & 0xC0) == 0x80) --corte;
  texto.resize(corte);
  return texto + puntos;
}

std::optional<std::string> acotar(std::optional<std::string> texto, size_t maximo) {
  if (texto) return acotar(std::move(*texto), maximo);
  return texto;
}

}  // namespace orvo
