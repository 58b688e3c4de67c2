// Which apps get installed without the user picking them one by one: updates of running
// apps that wait for them to quit, the update of everything, the program's own update.
// None of them installs a version the user skipped.
#pragma once

#include <functional>

#include "catalogo/catalogo.h"
#include "instalador/instalador.h"
#include "plataforma/sistema.h"

namespace orvo {

class Actualizaciones {
 public:
  Actualizaciones(Catalogo& catalogo, Instalador& instalador, Sistema& sistema);

  void instalarAlCerrar();
  void actualizarme();
  void instalarTodas();
  // Checks now, then installs at quit what qualifies; `mostrar` brings the main window
  // forward while the check runs.
  void buscar(const std::function<void()>& mostrar);
  // The manifest entry of this program itself.
  bool esPropia(const AppRemota& app);

 private:
  std::vector<AppRemota> apps() const;
  // A newer version is published and the user did not skip it.
  bool porInstalar(const AppRemota& app) const;
  Catalogo& catalogo_;
  Instalador& instalador_;
  Sistema& sistema_;
};

}  // namespace orvo
