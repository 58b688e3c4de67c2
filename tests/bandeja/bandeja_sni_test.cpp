#include "plataforma/gtk/bandeja_sni.h"

#include <gtest/gtest.h>

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

TEST(BandejaSni, RegistersWithEachWatcherAndAnswersTheHost) {
  Pulsaciones p;
  BandejaSni bandeja;
  bandeja.crear(p.acciones());
  // No watcher on the bus yet: no item, and nothing goes wrong.
  girarDurante(200ms);

  auto vigia = std::make_unique<ParPython>(
      "vigia_sni.py", std::vector<std::string>{"Buscar actualizaciones", "Salir de Orvo Suite"});
  auto vista = vigia->siguiente();
  ASSERT_TRUE(vista) << "the item never registered";
  EXPECT_EQ((*vista)["nombre"], bandeja.nombreEnElBus());
  EXPECT_EQ((*vista)["titulo"], "Orvo Suite");
  EXPECT_EQ((*vista)["ayuda"], "Orvo Suite");
  EXPECT_EQ((*vista)["iconos"], json::parse("[[44, 20], [88, 40]]"));
  // Network byte order, not premultiplied: alpha first, then full white.
  auto fondo = (*vista)["fondo"];
  EXPECT_NEAR(fondo[0].get<int>(), 36, 2);
  EXPECT_EQ(fondo[1], 255);
  EXPECT_EQ(fondo[2], 255);
  EXPECT_EQ(fondo[3], 255);
  EXPECT_EQ((*vista)["menu"], kMenuSinInstalacion);
  EXPECT_TRUE(girarHasta([&] { return p.clic == 1 && p.buscar == 1 && p.salir == 1; }))
      << p.clic << p.buscar << p.salir;
  EXPECT_EQ(p.abrir + p.ver, 0);

  // A snapshot with a count and its tool tip: the host hears and looks again.
  bandeja.actualizar(12, "Hay 12 novedades");
  vista = vigia->siguiente();
  ASSERT_TRUE(vista);
  EXPECT_EQ((*vista)["ayuda"], "Hay 12 novedades");
  int ancho = IconoBarra::imagen(12).ancho;
  EXPECT_GT(ancho, 44);
  EXPECT_EQ((*vista)["iconos"], json({{ancho, 20}, {2 * ancho, 40}}));
  EXPECT_EQ((*vista)["menu"], kMenuSinInstalacion);

  // The panel restarts; meanwhile an installation began. The new watcher gets the item
  // again, and the menu it shows has the installation entry.
  vigia.reset();
  p.hayInstalacion = true;
  vigia =
      std::make_unique<ParPython>("vigia_sni.py", std::vector<std::string>{"Ver la instalación"});
  vista = vigia->siguiente();
  ASSERT_TRUE(vista) << "the item did not register with the new watcher";
  EXPECT_EQ((*vista)["ayuda"], "Hay 12 novedades");
  EXPECT_EQ((*vista)["menu"], kMenuConInstalacion);
  EXPECT_TRUE(girarHasta([&] { return p.clic == 2 && p.ver == 1; }));

  // The installation is gone by the next snapshot.
  p.hayInstalacion = false;
  bandeja.actualizar(0, "Orvo Suite");
  vista = vigia->siguiente();
  ASSERT_TRUE(vista);
  EXPECT_EQ((*vista)["menu"], kMenuSinInstalacion);
  EXPECT_EQ((*vista)["iconos"][0], json::parse("[44, 20]"));
}

}  // namespace
}  // namespace orvo
