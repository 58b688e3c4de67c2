// Desktop notifications: where no tray host shows the item's count (stock GNOME), news of
// updates and notices reaches the user this way.
#pragma once

#include <functional>
#include <string>

namespace orvo {

class Notificaciones {
 public:
  struct Acciones {
    std::function<void()> abrir;           // the notification itself was clicked
    std::function<void()> actualizarTodo;  // its "Actualizar todo" button
  };

  virtual ~Notificaciones() = default;
  virtual void preparar(Acciones acciones) = 0;
  // Shows one notification, replacing the one shown before; the "Actualizar todo" button
  // only when `conActualizar`.
  virtual void mostrar(const std::string& titulo, const std::string& cuerpo,
                       bool conActualizar) = 0;
};

}  // namespace orvo
