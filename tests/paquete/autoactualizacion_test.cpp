// The installed program updates itself in place: its bundle, installed in a scratch /opt
// outside the applications folder, finds a newer build of itself on the test server, swaps it in,
// ends, and the newer build starts in its place and says so in its next feed request.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "apoyo/bundles_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"
#include "apoyo/servicio_prueba.h"
#include "catalogo/conocidas.h"
#include "catalogo/registros.h"
#include "comun/archivos.h"
#include "comun/sha256.h"
#include "paquete/instalar.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

TEST(Autoactualizacion, ElProgramaSeReemplazaYVuelveMasNuevo) {
  CarpetaTemporal t;
  ASSERT_TRUE(instalarEn(t / "raiz"));
  auto instalado = t / "opt/Orvo Suite.app";
  fs::create_directories(t / "opt");
  fs::create_directories(t / "apps");
  fs::rename(t / "raiz" / fs::path(ORVO_BUNDLE).relative_path(), instalado);

  // The newer build: the same program, a later version in its Info.plist.
  auto nuevo = t / "obra/Orvo Suite.app";
  fs::create_directories(nuevo.parent_path());
  fs::copy(instalado, nuevo, fs::copy_options::recursive);
  auto plist = leer(nuevo / "Contents/Info.plist");
  for (size_t i; (i = plist.find(">" ORVO_VERSION "<")) != std::string::npos;)
    plist.replace(i, sizeof(ORVO_VERSION) + 1, ">99.0<");
  t.escribir("obra/Orvo Suite.app/Contents/Info.plist", plist);
  auto zip = t / "suite.zip";
  auto r = ejecutar("cd '" + (t / "obra").string() + "' && zip -qry '" + zip.string() +
                    "' 'Orvo Suite.app'");
  ASSERT_EQ(r.estado, 0);

  AppRemota suite{.id = "suite",
                  .nombre = "Orvo Suite",
                  .app = "Orvo Suite.app",
                  .version = "99.0",
                  .url = "suite.zip",
                  .tam = static_cast<int64_t>(fs::file_size(zip)),
                  .sha256 = sha256(zip)};
  for (const auto& a : appsConocidas())
    if (a.id == "suite") suite.bundle = a.bundle;

  ServidorPrueba servidor;
  ServicioPrueba servicio(servidor);
  servidor.publicar("/suite.zip", {.datos = *leerArchivo(zip)});
  // The first feed offers the update; the program that comes back gets a list without it,
  // so its own test-install run ends there.
  servidor.alAccion("feed", [&](const PeticionRecibida&) {
    bool primera = servidor.peticionesDe("feed").size() <= 1;
    Json apps = primera ? Json::array({suite.aJson()}) : Json::array();
    return RespuestaPrueba{
        200, Json{{"formato", "orvo-suite/1"}, {"version", 1}, {"apps", apps}}.dump()};
  });
  servicio.clienteEn(t / "datos", "tok");
  fs::create_directories(t / "tmp");

  r = ejecutar("HOME=" + (t / "casa").string() + " XDG_DATA_HOME=" + (t / "xdg").string() +
               " TMPDIR=" + (t / "tmp").string() + " OV_DATOS=" + (t / "datos").string() +
               " OV_DESTINO=" + (t / "apps").string() + " OV_PRUEBA_INSTALAR=suite '" +
               (instalado / "Contents/MacOS/orvo-suite").string() + "' 2>&1");
  EXPECT_EQ(r.estado, 0) << r.texto;
  EXPECT_NE(r.texto.find("Orvo Suite 99.0: instalada " ORVO_VERSION ", hay una nueva"),
            std::string::npos)
      << r.texto;

  for (int i = 0; i < 300 && servidor.peticionesDe("feed").size() < 2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  auto feeds = servidor.peticionesDe("feed");
  ASSERT_EQ(feeds.size(), 2u) << r.texto;
  EXPECT_EQ(Json::parse(feeds[0].cuerpo).value("suite", ""), ORVO_VERSION);
  EXPECT_EQ(Json::parse(feeds[1].cuerpo).value("suite", ""), "99.0");
  EXPECT_NE(leer(instalado / "Contents/Info.plist").find(">99.0<"), std::string::npos);
  EXPECT_TRUE(fs::exists(t / "datos/respaldo/Orvo Suite.app/Contents/MacOS/orvo-suite"));
  // Replaced where it runs, not copied beside the user's apps, and not listed twice in the
  // menus (its installation brought its entry).
  EXPECT_TRUE(fs::is_empty(t / "apps"));
  EXPECT_FALSE(fs::exists(t / "xdg/applications") && !fs::is_empty(t / "xdg/applications"));
  matarAppsDe(t / "opt");
}
