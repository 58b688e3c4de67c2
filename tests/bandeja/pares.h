// Peers of the tray item and the notices on the test's session bus (see main.cpp): a
// watcher, a notification server. Each has a connection of its own, served like the code
// under test by the default main context.
#pragma once

#include <gio/gio.h>

#include <functional>
#include <memory>
#include <string>

#include "apoyo/girar.h"

namespace orvo::prueba {

using Variante = std::unique_ptr<GVariant, decltype(&g_variant_unref)>;

class Par {
 public:
  // What answers each method call, with one of g_dbus_method_invocation_return_*.
  using Atender = std::function<void(const std::string& metodo, GVariant* argumentos,
                                     GDBusMethodInvocation* llamada)>;
  // Serves the interface of `xml` at `ruta`, then owns `nombre`.
  Par(const char* nombre, const char* ruta, const char* xml, Atender atender);
  ~Par();
  Par(const Par&) = delete;
  Par& operator=(const Par&) = delete;

  // A method of another peer, its answer awaited; null on an error.
  Variante llamar(const std::string& destino, const char* ruta, const char* interfaz,
                  const char* metodo, GVariant* argumentos);
  // Leaves the bus, and its name with it.
  void salir();

  GDBusConnection* bus = nullptr;

 private:
  Atender atender_;
  guint objeto_ = 0, nombre_ = 0;
  bool tengo_ = false;
};

}  // namespace orvo::prueba
