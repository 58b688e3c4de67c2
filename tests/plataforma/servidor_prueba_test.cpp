// The test server's ranges must be what a real server does, or the resume tests built on
// it pass without resuming (its actions, cuts and stalls are read back by every network
// test).
#include <gtest/gtest.h>

#include "apoyo/ordenes.h"
#include "apoyo/servidor_prueba.h"

using namespace orvo::prueba;

TEST(ServidorPrueba, RangosSoloDondeSeAceptanYLoNoPublicadoEs404) {
  ServidorPrueba s;
  auto curl = [&](const std::string& args) {
    return ejecutar("curl -s -S --max-time 5 " + args + " 2>/dev/null").texto;
  };
  std::string datos;
  for (int i = 0; i < 300000; ++i) datos += char('a' + i % 26);
  s.publicar("/a.zip", {.datos = datos});
  s.publicar("/b.zip", {.datos = datos, .aceptaRangos = false});
  EXPECT_EQ(curl("'" + s.base() + "a.zip'"), datos);
  EXPECT_EQ(curl("-r 100- '" + s.base() + "a.zip'"), datos.substr(100));
  EXPECT_EQ(curl("-r 100- '" + s.base() + "b.zip'"), datos);
  EXPECT_EQ(curl("-o /dev/null -w '%{http_code}' '" + s.base() + "nada.zip'"), "404");
}
