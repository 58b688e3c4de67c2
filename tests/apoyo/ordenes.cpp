#include "apoyo/ordenes.h"

#include <array>
#include <cstdio>

#include <sys/wait.h>

namespace orvo::prueba {

Salida ejecutar(const std::string& orden) {
  Salida s;
  FILE* p = popen(orden.c_str(), "r");
  if (!p) return s;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) s.texto.append(buf.data(), n);
  int st = pclose(p);
  s.estado = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return s;
}

}  // namespace orvo::prueba
