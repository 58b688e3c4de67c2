// Preferences in a key file, $XDG_CONFIG_HOME/orvo-suite/preferencias.ini, and the
// start at login as the XDG autostart entry $XDG_CONFIG_HOME/autostart/com.orvo.suite.desktop.
#pragma once

#include <filesystem>

#include "plataforma/preferencias.h"
#include "plataforma/sistema.h"

namespace orvo {

class PreferenciasLinux : public Preferencias {
 public:
  // `ejecutable`: what the autostart entry runs.
  PreferenciasLinux(Sistema& sistema, std::filesystem::path ejecutable);

  std::optional<std::string> leer(const std::string& clave) override;
  void guardar(const std::string& clave, const std::string& valor) override;
  Error iniciarConSesion() override;

  // $XDG_CONFIG_HOME when absolute (the XDG rule), else ~/.config.
  static std::filesystem::path carpetaConfiguracion(Sistema& sistema);

 private:
  std::filesystem::path config_;
  std::filesystem::path ejecutable_;
};

}  // namespace orvo
