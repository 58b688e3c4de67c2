// The tray item as a StatusNotifierItem on the session bus, with its menu exported over
// DBusMenu. Tray hosts find it through the StatusNotifierWatcher; with no watcher there
// is no item; the item registers whenever a watcher appears (a panel that starts late or
// restarts) and tries again a few times when one refuses.
#pragma once

#include <gio/gio.h>

#include <memory>
#include <string>

#include "plataforma/bandeja.h"

typedef struct _DbusmenuServer DbusmenuServer;
typedef struct _DbusmenuMenuitem DbusmenuMenuitem;

namespace orvo {

class BandejaSni : public Bandeja {
 public:
  BandejaSni();
  ~BandejaSni() override;
  BandejaSni(const BandejaSni&) = delete;
  BandejaSni& operator=(const BandejaSni&) = delete;

  void crear(Acciones acciones) override;
  void actualizar(int avisos, const std::string& ayuda) override;
  void refrescarMenu() override;

  // The bus name the item is registered under; "" without a session bus.
  std::string nombreEnElBus() const;

 private:
  struct Menu;
  static void alLlamar(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                       const gchar* metodo, GVariant*, GDBusMethodInvocation* llamada, gpointer yo);
  static GVariant* alLeer(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                          const gchar* propiedad, GError**, gpointer yo);
  void registrar();
  void reintentar();
  void olvidarRegistro();
  void emitir(const char* senal);
  GVariant* pixmaps() const;

  Acciones acciones_;
  GDBusConnection* bus_ = nullptr;
  guint objeto_ = 0;
  guint nombre_ = 0;
  guint vigia_ = 0;
  GCancellable* cancelar_ = nullptr;  // the registration under way
  guint reintento_ = 0;
  int fallos_ = 0;
  std::unique_ptr<Menu> menu_;
  GVariant* icono_ = nullptr;  // the pixmaps of avisos_, drawn when first asked for
  int avisos_ = 0;
  std::string ayuda_ = "Orvo Suite";
  std::string nombreBien_;
};

}  // namespace orvo
