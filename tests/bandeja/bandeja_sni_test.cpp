#include "plataforma/gtk/bandeja_sni.h"

#include <gtest/gtest.h>
#include <libdbusmenu-glib/client.h>

#include <atomic>
#include <thread>
#include <vector>

#include "pares.h"

namespace orvo {
namespace {

using namespace prueba;
using namespace std::chrono_literals;
using Etiquetas = std::vector<std::string>;

struct Pulsaciones {
  int clic = 0, abrir = 0, buscar = 0, ver = 0, salir = 0;
  bool hayInstalacion = false;
  Bandeja::Acciones acciones() {
    return {[this] { ++clic; }, [this] { ++abrir; }, [this] { ++buscar; },
            [this] { ++ver; },  [this] { ++salir; }, [this] { return hayInstalacion; }};
  }
};

const Etiquetas kMenuSinInstalacion = {"Abrir Orvo Suite", "Buscar actualizaciones", "-",
                                       "Salir de Orvo Suite"};
const Etiquetas kMenuConInstalacion = {"Abrir Orvo Suite", "Buscar actualizaciones",
                                       "Ver la instalación", "-", "Salir de Orvo Suite"};

constexpr const char* kVigia = R"(<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
</interface></node>)";
constexpr const char* kItem = "org.kde.StatusNotifierItem";

// The menu's visible entries as libdbusmenu's client keeps them, which is what hosts
// build their menus from.
std::vector<DbusmenuMenuitem*> entradas(DbusmenuClient* cliente) {
  std::vector<DbusmenuMenuitem*> lista;
  DbusmenuMenuitem* raiz = dbusmenu_client_get_root(cliente);
  for (GList* l = raiz ? dbusmenu_menuitem_get_children(raiz) : nullptr; l; l = l->next)
    if (dbusmenu_menuitem_property_get_bool(DBUSMENU_MENUITEM(l->data),
                                            DBUSMENU_MENUITEM_PROP_VISIBLE))
      lista.push_back(DBUSMENU_MENUITEM(l->data));
  return lista;
}
Etiquetas etiquetas(DbusmenuClient* cliente) {
  Etiquetas lista;
  for (auto* item : entradas(cliente)) {
    const char* texto = dbusmenu_menuitem_property_get(item, DBUSMENU_MENUITEM_PROP_LABEL);
    lista.push_back(texto ? texto : "-");
  }
  return lista;
}

TEST(BandejaSni, UnVigiaTardioQueRechazaUnaVezRecibeElIconoYElMenuSigueALaInstalacion) {
  Pulsaciones p;
  BandejaSni bandeja;
  bandeja.crear(p.acciones());
  // No watcher on the bus yet: no item, and nothing goes wrong.
  girarDurante(200ms);

  // The watcher comes late and is not ready for the first registration.
  std::vector<std::string> registros;
  Par vigia("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", kVigia,
            [&](const std::string&, GVariant* argumentos, GDBusMethodInvocation* llamada) {
              const char* item = nullptr;
              g_variant_get(argumentos, "(&s)", &item);
              registros.push_back(item);
              if (registros.size() == 1)
                return g_dbus_method_invocation_return_dbus_error(
                    llamada, "org.kde.StatusNotifierWatcher.Error.NotReady", "no listo");
              g_dbus_method_invocation_return_value(llamada, nullptr);
            });
  ASSERT_TRUE(girarHasta([&] { return registros.size() == 2; })) << "the item did not try again";
  const std::string item = registros[1];
  EXPECT_EQ(item, bandeja.nombreEnElBus());
  int avisos = 0;
  g_dbus_connection_signal_subscribe(
      vigia.bus, nullptr, kItem, nullptr, "/StatusNotifierItem", nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
         gpointer n) { ++*static_cast<int*>(n); },
      &avisos, nullptr);
  // What a tray reads: the icons (their pixels are read off a real panel in
  // Anfitriones.ElPanelDeXfce...), and below the tool tip.
  auto leer = [&](const char* propiedad) -> Variante {
    // Asked from another thread, which then wakes this one: the item answers on its main
    // context.
    GVariant *respuesta = nullptr, *v = nullptr;
    std::atomic<bool> lista = false;
    std::thread pregunta([&] {
      respuesta = g_dbus_connection_call_sync(
          vigia.bus, item.c_str(), "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
          g_variant_new("(ss)", kItem, propiedad), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE,
          5000, nullptr, nullptr);
      lista = true;
      g_idle_add([](gpointer) { return G_SOURCE_REMOVE; }, nullptr);
    });
    girarHasta([&] { return lista.load(); });
    pregunta.join();
    if (respuesta) g_variant_get(respuesta, "(v)", &v), g_variant_unref(respuesta);
    return {v, g_variant_unref};
  };
  auto sinCuenta = leer("IconPixmap");
  ASSERT_TRUE(sinCuenta);

  // Two entries of the menu as a host's client fetched it (a left click is the whole
  // program's, in ProgramaConVentanas.LaVentanaSaleAunqueLaPrimeraPeticionCarguePartesDeGio).
  DbusmenuClient* cliente = dbusmenu_client_new(item.c_str(), "/MenuBar");
  ASSERT_TRUE(girarHasta([&] { return etiquetas(cliente) == kMenuSinInstalacion; }));
  for (int i : {1, 3})
    dbusmenu_menuitem_handle_event(entradas(cliente)[i], DBUSMENU_MENUITEM_EVENT_ACTIVATED,
                                   g_variant_new_int32(0), 0);
  EXPECT_TRUE(girarHasta([&] { return p.buscar == 1 && p.salir == 1; })) << p.buscar << p.salir;
  EXPECT_EQ(p.clic + p.abrir + p.ver, 0);

  // That client's cached menu follows an installation that starts and is discarded
  // between snapshots: the server announces a new layout (the client refetches only then).
  p.hayInstalacion = true;
  bandeja.refrescarMenu();
  EXPECT_TRUE(girarHasta([&] { return etiquetas(cliente) == kMenuConInstalacion; }));
  p.hayInstalacion = false;
  bandeja.refrescarMenu();
  EXPECT_TRUE(girarHasta([&] { return etiquetas(cliente) == kMenuSinInstalacion; }));
  g_object_unref(cliente);

  // A count: the host hears of the new icon and tool tip, and looks again.
  bandeja.actualizar(12, "Hay 12 novedades");
  ASSERT_TRUE(girarHasta([&] { return avisos == 2; })) << avisos;
  auto ayuda = leer("ToolTip");
  const char* texto = "";
  if (ayuda) g_variant_get_child(ayuda.get(), 2, "&s", &texto);
  EXPECT_STREQ(texto, "Hay 12 novedades");
  auto conCuenta = leer("IconPixmap");
  EXPECT_TRUE(conCuenta && !g_variant_equal(conCuenta.get(), sinCuenta.get()));
}

}  // namespace
}  // namespace orvo
