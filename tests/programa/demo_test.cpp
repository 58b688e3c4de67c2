// The real binary, run as a user would run it on a local catalogue folder, and with an
// option it does not know.
#include <gtest/gtest.h>

#include <string>

#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"

using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

// The binary on a home, temporary and applications folder of the test's own; `datos` names
// OV_DATOS, or nothing.
Salida demo(CarpetaTemporal& t, const std::string& carpeta, const std::string& datos = "datos") {
  fs::create_directories(t / "tmp");
  return ejecutar("HOME=" + (t / "casa").string() + " TMPDIR=" + (t / "tmp").string() +
                  (datos.empty() ? "" : " OV_DATOS=" + (t / datos).string()) +
                  " OV_DESTINO=" + (t / "apps").string() + " " + ORVO_BINARIO + " --demo " +
                  (t / carpeta).string() + " 2>&1");
}

}  // namespace

TEST(Programa, MuestraElCatalogoLocalYRechazaUnoRoto) {
  CarpetaTemporal t;
  t.escribir("buena/orvo-suite.json", R"({"formato":"f","version":3,"apps":[
    {"id":"video","nombre":"Video","bundle":"b","app":"Video.app","version":"2.1","url":"v.zip"}]})");
  // A link where the staging folder goes: the clean-up takes the link, not what it points at.
  t.escribir("ajena/foto.jpg", "del usuario");
  fs::create_directories(t / "datos/componentes");
  fs::create_directory_symlink(t / "ajena", t / "datos/componentes/.preparando");
  auto bien = demo(t, "buena");
  EXPECT_EQ(bien.estado, 0) << bien.texto;
  EXPECT_NE(bien.texto.find("Video 2.1: no instalada"), std::string::npos) << bien.texto;
  EXPECT_EQ(leer(t / "ajena/foto.jpg"), "del usuario");

  t.escribir("rota/orvo-suite.json", R"({"formato":"f","version":3,"apps":[{"id":"video"}]})");
  auto mal = demo(t, "rota");
  EXPECT_EQ(mal.estado, 1);
  EXPECT_NE(mal.texto.find("orvo-suite.json no es válido"), std::string::npos) << mal.texto;

  // Without OV_DATOS the user's own data folder is not the demo's: its settings, the
  // components' lists and a running instance's download stay as they were.
  const auto real = t / "casa/.local/share/Orvo Suite";
  auto ajustes = t.escribir("casa/.local/share/Orvo Suite/ajustes.json",
                            R"({"fuente":"https://orvo.example/"})");
  auto disponibles = t.escribir("casa/.local/share/Orvo Suite/componentes/disponibles.json", "{}");
  auto descarga =
      t.escribir("casa/.local/share/Orvo Suite/componentes/.preparando/notas-1.zip", "a medias");
  auto propia = demo(t, "buena", "");
  EXPECT_EQ(propia.estado, 0) << propia.texto;
  EXPECT_NE(propia.texto.find("Video"), std::string::npos);
  EXPECT_EQ(leer(ajustes), R"({"fuente":"https://orvo.example/"})");
  EXPECT_EQ(leer(disponibles), "{}");
  EXPECT_EQ(leer(descarga), "a medias");
  EXPECT_FALSE(fs::exists(real / "suite.log"));
  EXPECT_TRUE(fs::is_empty(t / "tmp"));

  // An option it does not know is named before the usage, and nothing starts.
  auto rara = ejecutar(std::string(ORVO_BINARIO) + " --bogus 2>&1");
  EXPECT_EQ(rara.estado, 2);
  EXPECT_EQ(rara.texto.rfind("Opción desconocida: --bogus\n", 0), 0u) << rara.texto;
  EXPECT_NE(rara.texto.find("\nUso: orvo-suite"), std::string::npos) << rara.texto;
}
