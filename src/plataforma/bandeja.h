// The tray item: the program's one permanent presence on the desktop. The shell tells it
// the count and tool tip of every snapshot; the item tells the shell what the user asked.
#pragma once

#include <functional>
#include <string>

namespace orvo {

class Bandeja {
 public:
  struct Acciones {
    std::function<void()> clic;  // left click (Activate)
    std::function<void()> abrirPrincipal;
    std::function<void()> buscar;
    std::function<void()> verInstalacion;
    std::function<void()> salir;
    // Whether the menu shows "Ver la instalación"; asked each time the menu is built.
    std::function<bool()> hayInstalacion;
  };

  virtual ~Bandeja() = default;
  // Creates the item with the icon for 0 and the tool tip "Orvo Suite". Without a tray
  // host on the desktop there is no item and the program goes on with its windows.
  virtual void crear(Acciones acciones) = 0;
  // The count of updates plus notices, and the tool tip text.
  virtual void actualizar(int avisos, const std::string& ayuda) = 0;
  // Asks `hayInstalacion` again, so that an open or cached menu follows an installation
  // that starts or is discarded between snapshots.
  virtual void refrescarMenu() {}
};

}  // namespace orvo
