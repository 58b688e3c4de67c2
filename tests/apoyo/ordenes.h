// Runs a shell command line for a test and collects what it printed.
#pragma once

#include <string>

namespace orvo::prueba {

struct Salida {
  int estado = -1;  // exit status, -1 when it did not exit normally
  std::string texto;
};

// Standard output only; append " 2>&1" to the command to collect errors too.
Salida ejecutar(const std::string& orden);

}  // namespace orvo::prueba
