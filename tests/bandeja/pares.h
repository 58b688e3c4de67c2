// Peers of the tray item and the notices on the test's session bus (its test command's):
// a watcher, a notification server, the system daemons GIO's monitors read. Each has a
// connection of its own, served like the code under test by the default main context.
#pragma once

#include <gio/gio.h>
#include <gtest/gtest.h>

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
  Par(const char* nombre, const char* ruta, const char* xml, Atender atender)
      : atender_(std::move(atender)) {
    gchar* direccion = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    bus = g_dbus_connection_new_for_address_sync(
        direccion,
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    g_free(direccion);
    if (!bus) {
      ADD_FAILURE() << "sin bus de sesión";
      return;
    }
    static const GDBusInterfaceVTable vtabla{
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* metodo,
           GVariant* argumentos, GDBusMethodInvocation* llamada,
           gpointer yo) { static_cast<Par*>(yo)->atender_(metodo, argumentos, llamada); },
        nullptr,
        nullptr,
        {}};
    GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(xml, nullptr);
    objeto_ = g_dbus_connection_register_object(bus, ruta, info->interfaces[0], &vtabla, this,
                                                nullptr, nullptr);
    g_dbus_node_info_unref(info);
    nombre_ = g_bus_own_name_on_connection(
        bus, nombre, G_BUS_NAME_OWNER_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, gpointer yo) { static_cast<Par*>(yo)->tengo_ = true; },
        nullptr, this, nullptr);
    EXPECT_TRUE(girarHasta([&] { return tengo_; })) << nombre;
  }
  ~Par() { salir(); }
  Par(const Par&) = delete;
  Par& operator=(const Par&) = delete;

  // Leaves the bus, and its name with it.
  void salir() {
    if (!bus) return;
    g_bus_unown_name(nombre_);
    g_dbus_connection_unregister_object(bus, objeto_);
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_clear_object(&bus);
  }

  GDBusConnection* bus = nullptr;

 private:
  Atender atender_;
  guint objeto_ = 0, nombre_ = 0;
  bool tengo_ = false;
};

}  // namespace orvo::prueba
