// Desktop notifications straight over org.freedesktop.Notifications, so they need no
// registered application: a default action that opens the main window and an
// "Actualizar todo" button.
#pragma once

#include <gio/gio.h>

#include <string>

#include "plataforma/notificaciones.h"

namespace orvo {

class NotificacionesDbus : public Notificaciones {
 public:
  NotificacionesDbus() = default;
  ~NotificacionesDbus() override;
  NotificacionesDbus(const NotificacionesDbus&) = delete;
  NotificacionesDbus& operator=(const NotificacionesDbus&) = delete;

  void preparar(Acciones acciones) override;
  void mostrar(const std::string& titulo, const std::string& cuerpo, bool conActualizar) override;

 private:
  struct Pendiente {
    NotificacionesDbus* yo;
    std::string titulo, cuerpo;
    bool conActualizar;
  };
  void notificar(const Pendiente& p);
  static void alAccion(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                       GVariant* parametros, gpointer yo);
  Acciones acciones_;
  GDBusConnection* bus_ = nullptr;
  GCancellable* cancelar_ = nullptr;
  guint suscripcion_ = 0;
  guint32 ultima_ = 0;  // the server's id of the notification shown last
};

}  // namespace orvo
