// The test server itself must behave, or every network test built on it lies.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>

#include "apoyo/ordenes.h"
#include "apoyo/servidor_prueba.h"

using namespace orvo::prueba;

namespace {
std::string curl(const std::string& args) {
  return ejecutar("curl -s -S --max-time 5 " + args + " 2>/dev/null").texto;
}
}  // namespace

TEST(ServidorPrueba, AccionesRangosYCortes) {
  ServidorPrueba s;
  s.alAccion("feed", [](const PeticionRecibida& p) {
    return RespuestaPrueba{p.cabecera("X-Orvo-Token") == "t1" ? 200 : 401, R"({"ok":true})"};
  });
  EXPECT_EQ(curl("-X POST -H 'X-Orvo-Token: t1' -d '{}' '" + s.base() + "api.php?a=feed'"),
            R"({"ok":true})");
  ASSERT_EQ(s.peticionesDe("feed").size(), 1u);
  EXPECT_EQ(s.peticionesDe("feed")[0].cuerpo, "{}");

  std::string datos;
  for (int i = 0; i < 300000; ++i) datos += char('a' + i % 26);
  ArchivoPrueba entero;
  entero.datos = datos;
  s.publicar("/a.zip", entero);
  EXPECT_EQ(curl("'" + s.base() + "a.zip'"), datos);
  EXPECT_EQ(curl("-r 100- '" + s.base() + "a.zip'"), datos.substr(100));

  ArchivoPrueba sinRangos = entero;
  sinRangos.aceptaRangos = false;
  s.publicar("/b.zip", sinRangos);
  EXPECT_EQ(curl("-r 100- '" + s.base() + "b.zip'"), datos);

  ArchivoPrueba cortado = entero;
  cortado.cortarTras = 70000;
  cortado.cortesRestantes = 1;
  s.publicar("/c.zip", cortado);
  EXPECT_EQ(curl("'" + s.base() + "c.zip'").size(), 70000u);
  EXPECT_EQ(curl("'" + s.base() + "c.zip'"), datos);
  EXPECT_EQ(curl("-o /dev/null -w '%{http_code}' '" + s.base() + "nada.zip'"), "404");
}
