// Which apps get installed without the user picking them one by one: updates of running
// apps that wait for them to quit, the update of everything, the program's own update.
// None of them installs a version the user skipped, and what starts by itself waits while
// the system asks to save data or power.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "catalogo/catalogo.h"
#include "instalador/instalador.h"
#include "plataforma/condiciones.h"
#include "plataforma/sistema.h"

namespace orvo {

class Actualizaciones {
 public:
  Actualizaciones(Catalogo& catalogo, Instalador& instalador, Sistema& sistema,
                  Condiciones& condiciones = sinCondiciones());

  void instalarAlCerrar();
  // `aMano`: the user asked for it (the page, "install all"), so no condition holds it.
  void actualizarme(bool aMano = false);
  void instalarTodas();
  // Checks now, then installs at quit what qualifies; `mostrar` brings the main window
  // forward while the check runs.
  void buscar(const std::function<void()>& mostrar);
  // The manifest entry of this program itself.
  bool esPropia(const AppRemota& app) const;
  // The ids of the apps whose automatic update would start now but waits for the system.
  std::vector<std::string> esperan() const;

 private:
  std::vector<AppRemota> apps() const;
  // A newer version is published and the user did not skip it.
  bool porInstalar(const AppRemota& app) const;
  // What instalarAlCerrar starts for `app`, conditions aside.
  bool alCerrar(const AppRemota& app) const;
  // What actualizarme starts, conditions aside; null for none.
  const AppRemota* propia(const std::vector<AppRemota>& apps) const;
  Catalogo& catalogo_;
  Instalador& instalador_;
  Sistema& sistema_;
  Condiciones& condiciones_;
};

}  // namespace orvo
