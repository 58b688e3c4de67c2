#include "comun/comillas.h"

namespace orvo {

std::string entreComillas(const std::filesystem::path& ruta) {
  std::string r = "'";
  for (char c : ruta.string()) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return r + "'";
}

}  // namespace orvo
