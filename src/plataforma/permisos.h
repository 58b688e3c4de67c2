// What the system lets the program do beyond the user's own rights: one shell command
// as administrator, and the place where the user allows an app the system refused.
#pragma once

#include <string>

#include "comun/resultado.h"

namespace orvo {

class Permisos {
 public:
  virtual ~Permisos() = default;
  // Runs `/bin/sh -c orden` with administrator rights, asking for the password. Blocks
  // until it ends; an error text when it could not run or did not succeed.
  virtual Error comoAdministrador(const std::string& orden) = 0;
  // Opens the system's security settings, best effort.
  virtual void abrirAjustesSeguridad() = 0;
};

}  // namespace orvo
