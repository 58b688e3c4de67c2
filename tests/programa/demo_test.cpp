// The real binary, run as a user would run it on a local catalogue folder.
#include <gtest/gtest.h>

#include <string>

#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"

using orvo::prueba::ejecutar;

namespace {

// The binary on a home, data and applications folder of the test's own.
orvo::prueba::Salida demo(orvo::prueba::CarpetaTemporal& t, const std::string& carpeta) {
  return ejecutar("HOME=" + (t / "casa").string() + " OV_DATOS=" + (t / "datos").string() +
                  " OV_DESTINO=" + (t / "apps").string() + " " + ORVO_BINARIO + " --demo " +
                  (t / carpeta).string() + " 2>&1");
}

}  // namespace

TEST(Programa, MuestraElCatalogoLocalYRechazaUnoRoto) {
  orvo::prueba::CarpetaTemporal t;
  t.escribir("buena/orvo-suite.json", R"({"formato":"f","version":3,"apps":[
    {"id":"video","nombre":"Video","bundle":"b","app":"Video.app","version":"2.1","url":"v.zip"}]})");
  auto bien = demo(t, "buena");
  EXPECT_EQ(bien.estado, 0) << bien.texto;
  EXPECT_NE(bien.texto.find("Video"), std::string::npos);
  EXPECT_NE(bien.texto.find("2.1"), std::string::npos);
  EXPECT_NE(bien.texto.find("no instalada"), std::string::npos) << bien.texto;

  t.escribir("rota/orvo-suite.json", R"({"formato":"f","version":3,"apps":[{"id":"video"}]})");
  auto mal = demo(t, "rota");
  EXPECT_EQ(mal.estado, 1);
  EXPECT_NE(mal.texto.find("orvo-suite.json no es válido"), std::string::npos) << mal.texto;

  auto falta = demo(t, "nada");
  EXPECT_EQ(falta.estado, 1);
  EXPECT_NE(falta.texto.find("No encuentro orvo-suite.json en"), std::string::npos);
}
