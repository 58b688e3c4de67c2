#include "plataforma/gtk/bandeja_sni.h"

#include <gtest/gtest.h>
#include <libdbusmenu-glib/client.h>

#include "par_python.h"
#include "plataforma/gtk/icono_barra.h"

namespace orvo {
namespace {

using nlohmann::json;
using prueba::girarDurante;
using prueba::girarHasta;
using prueba::ParPython;
using namespace std::chrono_literals;

struct Pulsaciones {
  int clic = 0, abrir = 0, buscar = 0, ver = 0, salir = 0;
  bool hayInstalacion = false;
  Bandeja::Acciones acciones() {
    return {[this] { ++clic; }, [this] { ++abrir; }, [this] { ++buscar; },
            [this] { ++ver; },  [this] { ++salir; }, [this] { return hayInstalacion; }};
  }
};

const json kMenuSinInstalacion = {"Abrir Orvo Suite", "Buscar actualizaciones", "-",
                                  "Salir de Orvo Suite"};
const json kMenuConInstalacion = {"Abrir Orvo Suite", "Buscar actualizaciones",
                                  "Ver la instalación", "-", "Salir de Orvo Suite"};

// The 16 px icon as the protocol carries it: ARGB in network byte order, not premultiplied.
json bytesDelIcono(int avisos) {
  auto s = IconoBarra::pintar(avisos, 16);
  json bytes = json::array();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      uint32_t p = reinterpret_cast<const uint32_t*>(
          cairo_image_surface_get_data(s.get()) + y * cairo_image_surface_get_stride(s.get()))[x];
      unsigned a = p >> 24;
      bytes.push_back(a);
      for (int c : {16, 8, 0}) bytes.push_back(a ? (((p >> c) & 255) * 255 + a / 2) / a : 0);
    }
  return bytes;
}

// The menu as libdbusmenu's client keeps it, which is what hosts build their menus from.
json etiquetas(DbusmenuClient* cliente) {
  json lista = json::array();
  DbusmenuMenuitem* raiz = dbusmenu_client_get_root(cliente);
  for (GList* l = raiz ? dbusmenu_menuitem_get_children(raiz) : nullptr; l; l = l->next) {
    auto* item = DBUSMENU_MENUITEM(l->data);
    if (!dbusmenu_menuitem_property_get_bool(item, DBUSMENU_MENUITEM_PROP_VISIBLE)) continue;
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
  auto vigia = std::make_unique<ParPython>(
      "vigia_sni.py",
      std::vector<std::string>{"--rechazar", "Buscar actualizaciones", "Salir de Orvo Suite"});
  auto rechazo = vigia->siguiente();
  ASSERT_TRUE(rechazo && rechazo->contains("rechazado")) << (rechazo ? rechazo->dump() : "");
  auto vista = vigia->siguiente();
  ASSERT_TRUE(vista) << "the item did not try again";
  EXPECT_EQ((*vista)["nombre"], bandeja.nombreEnElBus());
  EXPECT_EQ((*vista)["titulo"], "Orvo Suite");
  EXPECT_EQ((*vista)["ayuda"], "Orvo Suite");
  json cuadrados = json::array();
  for (int lado : IconoBarra::kLados) cuadrados.push_back({lado, lado});
  EXPECT_EQ((*vista)["iconos"], cuadrados);
  EXPECT_EQ((*vista)["primero"], bytesDelIcono(0));
  EXPECT_EQ((*vista)["menu"], kMenuSinInstalacion);
  EXPECT_TRUE(girarHasta([&] { return p.clic == 1 && p.buscar == 1 && p.salir == 1; }))
      << p.clic << p.buscar << p.salir;
  EXPECT_EQ(p.abrir + p.ver, 0);

  // A host's cached menu follows an installation that starts and is discarded between
  // snapshots: the server announces a new layout and the client fetches it.
  DbusmenuClient* cliente = dbusmenu_client_new(bandeja.nombreEnElBus().c_str(), "/MenuBar");
  int disenos = 0;
  g_signal_connect(cliente, DBUSMENU_CLIENT_SIGNAL_LAYOUT_UPDATED,
                   G_CALLBACK(+[](DbusmenuClient*, gpointer n) { ++*static_cast<int*>(n); }),
                   &disenos);
  ASSERT_TRUE(girarHasta([&] { return etiquetas(cliente) == kMenuSinInstalacion; }))
      << etiquetas(cliente);
  p.hayInstalacion = true;
  bandeja.refrescarMenu();
  EXPECT_TRUE(girarHasta([&] { return etiquetas(cliente) == kMenuConInstalacion; }))
      << etiquetas(cliente);
  int antes = disenos;
  p.hayInstalacion = false;
  bandeja.refrescarMenu();
  EXPECT_TRUE(girarHasta([&] { return etiquetas(cliente) == kMenuSinInstalacion; }))
      << etiquetas(cliente);
  EXPECT_GT(disenos, antes) << "no layout update announced";
  g_object_unref(cliente);

  // A count: the host hears and looks again.
  bandeja.actualizar(12, "Hay 12 novedades");
  vista = vigia->siguiente();
  ASSERT_TRUE(vista);
  EXPECT_EQ((*vista)["ayuda"], "Hay 12 novedades");
  EXPECT_EQ((*vista)["primero"], bytesDelIcono(12));
}

}  // namespace
}  // namespace orvo
