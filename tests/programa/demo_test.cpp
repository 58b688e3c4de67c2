// The real binary, run as a user would run it on a local catalogue folder.
#include <gtest/gtest.h>

#include <string>

#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"

using orvo::prueba::ejecutar;

TEST(Programa, MuestraElCatalogoLocalYRechazaUnoRoto) {
  orvo::prueba::CarpetaTemporal t;
  t.escribir("buena/orvo-suite.json", R"({"formato":"f","version":3,"apps":[
    {"id":"video","nombre":"Video","bundle":"b","app":"Video.app","version":"2.1","url":"v.zip"}]})");
  auto bien = ejecutar(std::string(ORVO_BINARIO) + " --demo " + (t / "buena").string() + " 2>&1");
  EXPECT_EQ(bien.estado, 0) << bien.texto;
  EXPECT_NE(bien.texto.find("Video"), std::string::npos);
  EXPECT_NE(bien.texto.find("2.1"), std::string::npos);

  t.escribir("rota/orvo-suite.json", R"({"formato":"f","version":3,"apps":[{"id":"video"}]})");
  auto mal = ejecutar(std::string(ORVO_BINARIO) + " --demo " + (t / "rota").string() + " 2>&1");
  EXPECT_EQ(mal.estado, 1);
  EXPECT_NE(mal.texto.find("apps[0]"), std::string::npos) << mal.texto;

  auto falta = ejecutar(std::string(ORVO_BINARIO) + " --demo " + (t / "nada").string() + " 2>&1");
  EXPECT_EQ(falta.estado, 1);
  EXPECT_NE(falta.texto.find("No encontré"), std::string::npos);
}
