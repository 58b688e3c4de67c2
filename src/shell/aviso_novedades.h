// Decides when the news of updates and notices deserves a desktop notification: once per
// rise of the count, never while the user is already looking at the main window.
#pragma once

#include <string>
#include <vector>

#include "plataforma/notificaciones.h"

namespace orvo {

struct Novedades {
  std::vector<std::string> apps;    // names of the apps with a newer version
  std::vector<std::string> avisos;  // titles of the account's notices
};

class AvisoNovedades {
 public:
  explicit AvisoNovedades(Notificaciones& notificaciones) : notificaciones_(notificaciones) {}

  // Called with every state snapshot.
  void alEstado(const Novedades& novedades, bool principalEnFoco);

  // "Hay 2 actualizaciones de Orvo", "Hay 1 actualización y 1 aviso de Orvo"...
  static std::string titulo(const Novedades& novedades);

 private:
  Notificaciones& notificaciones_;
  size_t anterior_ = 0;
};

}  // namespace orvo
