// Administrator rights on Linux: polkit's pkexec runs the shell command after asking for
// the password through the desktop's agent.
#pragma once

#include <string>

#include "plataforma/permisos.h"

namespace orvo {

class PermisosLinux : public Permisos {
 public:
  // `pkexec` is the program that asks; tests name another to stand in for the prompt.
  explicit PermisosLinux(std::string pkexec = "pkexec") : pkexec_(std::move(pkexec)) {}

  Error comoAdministrador(const std::string& orden) override;
  void abrirAjustesSeguridad() override;

 private:
  std::string pkexec_;
};

}  // namespace orvo
