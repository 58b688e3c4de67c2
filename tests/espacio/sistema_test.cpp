#include <gtest/gtest.h>

#include <cstdlib>

#include "apoyo/bundles_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "plataforma/linux/sistema_linux.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

TEST(SistemaLinux, ElBundleQueContieneAlEjecutableYLasCarpetasDelEntorno) {
  CarpetaTemporal t;
  auto claves = clavesDe("com.orvo.suite", "Orvo Suite");
  auto exe =
      crearBundle(t.ruta(), "Orvo Suite", claves, "binario", true) / "Contents/MacOS/Orvo Suite";
  // Started through a link elsewhere, it still runs from the bundle.
  fs::create_symlink(exe, t / "orvo-suite");
  SistemaLinux enlazado(t / "orvo-suite");
  EXPECT_EQ(enlazado.bundlePropio(), "com.orvo.suite");

  SistemaLinux suelto(t.escribir("bin/orvo-suite", "binario"));
  EXPECT_EQ(suelto.bundlePropio(), std::nullopt);

  std::string casa = std::getenv("HOME");
  // A relative XDG_DATA_HOME is invalid and ignored.
  setenv("XDG_DATA_HOME", "relativa", 1);
  EXPECT_EQ(suelto.carpetaDatos(), fs::path(casa) / ".local/share");
  setenv("XDG_DATA_HOME", "/datos", 1);
  EXPECT_EQ(suelto.carpetaDatos(), "/datos");
  unsetenv("XDG_DATA_HOME");
  unsetenv("HOME");
  EXPECT_FALSE(suelto.carpetaPersonal().empty());
  setenv("HOME", casa.c_str(), 1);
}
