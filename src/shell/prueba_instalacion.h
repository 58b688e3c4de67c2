// The test-install mode: one installation run from the command line, without windows,
// its progress printed line by line, the outcome in the exit status. With
// OV_PRUEBA_VOLVER=1 the installation is the going back to the app's backup.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "shell/nucleo.h"

namespace orvo {

class PruebaInstalacion {
 public:
  // `salir` ends the process (or, in tests, the run) with a status.
  PruebaInstalacion(Nucleo& nucleo, std::FILE* salida, std::function<void(int)> salir);
  void comenzar(const std::string& id);

  // "corriendo · paso 2/5 Verificar la descarga 40% " and the error text, if any.
  static std::string linea(const Instalacion& inst);

 private:
  void avance(const Instalacion& inst);
  void imprimir(const std::string& texto);

  Nucleo& nucleo_;
  std::FILE* salida_;
  std::function<void(int)> salir_;
  std::string ultima_;
  bool terminado_ = false;
};

}  // namespace orvo
