#include "apoyo/ids_prueba.h"

#include <cstdio>
#include <random>

#include <unistd.h>

namespace orvo::prueba {

std::string idUnico(const std::string& base) {
  static const std::string sufijo = [] {
    char texto[32];
    std::snprintf(texto, sizeof texto, ".t%dx%08x", static_cast<int>(getpid()),
                  static_cast<unsigned>(std::random_device{}()));
    return std::string(texto);
  }();
  return base + sufijo;
}

}  // namespace orvo::prueba
