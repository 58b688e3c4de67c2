// GIO's own network and power profile monitors read through the program's conditions,
// against stand-ins of NetworkManager and the power profiles daemon on the test's bus,
// which takes the system bus's place.
#include "plataforma/linux/condiciones_gio.h"

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <optional>

#include "pares.h"

namespace orvo {
namespace {

using namespace prueba;

// A system daemon's object with read-only properties; with no getter of its own, GDBus
// hands the property calls to the peer's handler, which answers GetAll, the one call GIO's
// proxies make (any other gets an answer of the wrong type, and the test fails).
class Daemon {
 public:
  Daemon(const std::string& nombre, const std::string& ruta, std::map<std::string, GVariant*> v)
      : nombre_(nombre), ruta_(ruta) {
    std::string xml = "<node><interface name='" + nombre + "'>";
    for (auto [propiedad, valor] : v) {
      xml += "<property name='" + propiedad + "' type='" + g_variant_get_type_string(valor) +
             "' access='read'/>";
      valores_.emplace(propiedad, Variante(g_variant_ref_sink(valor), g_variant_unref));
    }
    par_.emplace(nombre.c_str(), ruta.c_str(), (xml + "</interface></node>").c_str(),
                 [this](const std::string&, GVariant*, GDBusMethodInvocation* llamada) {
                   g_dbus_method_invocation_return_value(
                       llamada, g_variant_new("(@a{sv})", diccionario("")));
                 });
  }
  // Changes one property and announces it, as the daemon does.
  void cambiar(const std::string& propiedad, GVariant* valor) {
    valores_.insert_or_assign(propiedad, Variante(g_variant_ref_sink(valor), g_variant_unref));
    g_dbus_connection_emit_signal(
        par_->bus, nullptr, ruta_.c_str(), "org.freedesktop.DBus.Properties", "PropertiesChanged",
        g_variant_new("(s@a{sv}@as)", nombre_.c_str(), diccionario(propiedad),
                      g_variant_new_strv(nullptr, 0)),
        nullptr);
  }

 private:
  // The properties, or only `sola` when it names one.
  GVariant* diccionario(const std::string& sola) {
    GVariantBuilder b;
    g_variant_builder_init(&b, G_VARIANT_TYPE_VARDICT);
    for (const auto& [propiedad, valor] : valores_)
      if (sola.empty() || propiedad == sola)
        g_variant_builder_add(&b, "{sv}", propiedad.c_str(), valor.get());
    return g_variant_builder_end(&b);
  }
  std::string nombre_, ruta_;
  std::map<std::string, Variante> valores_;
  std::optional<Par> par_;
};

TEST(CondicionesGio, LeeLaRedLimitadaYElAhorroDeGioYOyeCuandoTerminan) {
  // Before GIO first looks at the system bus or chooses its monitors.
  gchar* sesion = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  g_setenv("DBUS_SYSTEM_BUS_ADDRESS", sesion, TRUE);
  g_free(sesion);
  g_setenv("GIO_USE_NETWORK_MONITOR", "networkmanager", TRUE);
  // Metered "yes" (1) at start.
  Daemon red("org.freedesktop.NetworkManager", "/org/freedesktop/NetworkManager",
             {{"State", g_variant_new_uint32(70)},
              {"Connectivity", g_variant_new_uint32(4)},
              {"Metered", g_variant_new_uint32(1)}});
  Daemon energia("net.hadess.PowerProfiles", "/net/hadess/PowerProfiles",
                 {{"ActiveProfile", g_variant_new_string("balanced")}});
  // GIO asks NetworkManager while the monitor is made, and waits for the answer: the
  // stand-ins answer on this thread meanwhile.
  std::optional<CondicionesGio> condiciones;
  auto hecha = std::async(std::launch::async, [&] { condiciones.emplace(); });
  ASSERT_TRUE(girarHasta(
      [&] { return hecha.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  int avisos = 0;
  condiciones->observar([&] { ++avisos; });
  EXPECT_TRUE(condiciones->redLimitada());
  energia.cambiar("ActiveProfile", g_variant_new_string("power-saver"));
  EXPECT_TRUE(girarHasta([&] { return condiciones->ahorroDeEnergia(); }));
  red.cambiar("Metered", g_variant_new_uint32(4));  // a guess of "no"
  EXPECT_TRUE(girarHasta([&] { return !condiciones->redLimitada(); }));
  energia.cambiar("ActiveProfile", g_variant_new_string("balanced"));
  EXPECT_TRUE(girarHasta([&] { return !condiciones->ahorroDeEnergia(); }));
  EXPECT_EQ(avisos, 3);  // each change once
}

}  // namespace
}  // namespace orvo
