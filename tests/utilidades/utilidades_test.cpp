#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include <signal.h>

#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"
#include "comun/log.h"
#include "comun/proceso.h"
#include "comun/sha256.h"
#include "comun/versiones.h"

using namespace orvo;
using prueba::CarpetaTemporal;
namespace fs = std::filesystem;

TEST(Correr, EstadosDeSalidaYSinSalidaPropia) {
  EXPECT_EQ(correr("/no/existe", {}), -1);
  EXPECT_EQ(correr("/bin/true", {}), 0);
  EXPECT_EQ(correr("/bin/sh", {"-c", "exit 7"}), 7);
  // Arguments are passed as they are: no shell splits or expands them.
  EXPECT_EQ(correr("/bin/sh", {"-c", "test \"$1\" = 'a b*'", "sh", "a b*"}), 0);
  EXPECT_EQ(correr("/bin/sh", {"-c", "kill -TERM $$"}), 128 + SIGTERM);

  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(correr("/bin/sh", {"-c", "echo fuera; echo error >&2"}), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(Sha256, ComoOpensslDeCeroBytesAlBordeDeCadaBloque) {
  CarpetaTemporal t;
  EXPECT_FALSE(sha256(t / "no-existe"));
  // Empty, a few bytes, exactly one block, and a size that ends one byte into a fourth block.
  for (size_t tam : {size_t(0), size_t(3), size_t(1) << 20, (size_t(3) << 20) + 1}) {
    std::string datos(tam, '\0');
    for (size_t i = 0; i < tam; ++i) datos[i] = char((i * 7919) >> 3);
    auto ruta = t.escribir("d" + std::to_string(tam), datos);
    auto esperado =
        prueba::ejecutar("openssl dgst -sha256 -r " + ruta.string()).texto.substr(0, 64);
    EXPECT_EQ(sha256(ruta), esperado) << tam;
  }
}

TEST(Versiones, OrdenNumerico) {
  struct Caso {
    const char *a, *b;
    int r;
  } casos[] = {
      {"2.0-beta3", "2.0", 1},
      {"", "0.0", 0},
      {"01.02", "1.2", 0},
      {"1.99999999999999999999", "1.0", 0},
      {"rev7", "7", 0},
      {"1..2", "1.2", 0},
      {"9223372036854775807", "9223372036854775806", 1},
      // Non-ASCII digits and fractions join their run, which is then dropped.
      {"3\u00bd", "3", -1},
      {"2.\u0663.5", "2.5", 0},
      {"\xff"
       "5",
       "5", 0},
  };
  // The reverse order is the fuzz target's to check.
  for (const auto& c : casos) EXPECT_EQ(compararVersiones(c.a, c.b), c.r) << c.a << " vs " << c.b;
}

TEST(Log, UnaLineaPorMensajeConFechaYSinCrearLaCarpeta) {
  CarpetaTemporal t;
  Log::usarCarpeta(t.ruta());
  Log::escribir("primera");
  EXPECT_TRUE(std::regex_match(prueba::leer(t / "suite.log"),
                               std::regex("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ primera\n")));
  // A link that carries a made-up line and a terminal escape stays on its own line.
  Log::escribir("enlace: orvosuite://skill/x\n2026-01-01T00:00:00Z skill x instalada\x1b[2J\t");
  Log::escribir("");
  std::string todo = prueba::leer(t / "suite.log");
  EXPECT_EQ(std::count(todo.begin(), todo.end(), '\n'), 3);
  EXPECT_NE(todo.find(" enlace: orvosuite://skill/x\\n2026-01-01T00:00:00Z skill x "
                      "instalada\\x1b[2J\\t\n"),
            std::string::npos)
      << todo;
  EXPECT_EQ(todo.substr(todo.size() - 3), "Z \n");

  Log::usarCarpeta(t / "no-existe");
  Log::escribir("perdida");
  EXPECT_FALSE(fs::exists(t / "no-existe"));
  Log::usarCarpeta({});
}
