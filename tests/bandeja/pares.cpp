#include "pares.h"

#include <gtest/gtest.h>

namespace orvo::prueba {

Par::Par(const char* nombre, const char* ruta, const char* xml, Atender atender)
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

Par::~Par() { salir(); }

void Par::salir() {
  if (!bus) return;
  g_bus_unown_name(nombre_);
  g_dbus_connection_unregister_object(bus, objeto_);
  g_dbus_connection_close_sync(bus, nullptr, nullptr);
  g_clear_object(&bus);
}

Variante Par::llamar(const std::string& destino, const char* ruta, const char* interfaz,
                     const char* metodo, GVariant* argumentos) {
  struct Espera {
    GVariant* respuesta = nullptr;
    bool lista = false;
  } espera;
  // The call gives up before the wait does, so its answer never outlives `espera`.
  g_dbus_connection_call(
      bus, destino.c_str(), ruta, interfaz, metodo, argumentos, nullptr, G_DBUS_CALL_FLAGS_NONE,
      20000, nullptr,
      [](GObject* origen, GAsyncResult* resultado, gpointer e) {
        auto* espera = static_cast<Espera*>(e);
        espera->respuesta =
            g_dbus_connection_call_finish(G_DBUS_CONNECTION(origen), resultado, nullptr);
        espera->lista = true;
      },
      &espera);
  girarHasta([&] { return espera.lista; }, std::chrono::seconds(30));
  return {espera.respuesta, g_variant_unref};
}

}  // namespace orvo::prueba
