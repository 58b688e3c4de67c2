#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "apoyo/bundles_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "plataforma/linux/sistema_linux.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one test and puts the old value back.
class Variable {
 public:
  Variable(const char* nombre, const char* valor) : nombre_(nombre) {
    if (const char* v = std::getenv(nombre)) antes_ = v;
    valor ? setenv(nombre, valor, 1) : unsetenv(nombre);
  }
  ~Variable() { antes_ ? setenv(nombre_, antes_->c_str(), 1) : unsetenv(nombre_); }

 private:
  const char* nombre_;
  std::optional<std::string> antes_;
};

}  // namespace

TEST(SistemaLinux, ReconoceElBundleQueContieneAlEjecutable) {
  CarpetaTemporal t;
  auto claves = clavesDe("com.orvo.suite", "Orvo Suite");
  claves["CFBundleShortVersionString"] = "2.4.1";
  auto bundle = crearBundle(t.ruta(), "Orvo Suite", claves, "binario", true);
  auto exe = bundle / "Contents/MacOS/Orvo Suite";

  SistemaLinux dentro(exe);
  EXPECT_EQ(dentro.bundlePropio(), "com.orvo.suite");
  EXPECT_EQ(dentro.versionPropia(), "2.4.1");
  // Started through a link elsewhere, it still runs from the bundle.
  fs::create_symlink(exe, t / "orvo-suite");
  EXPECT_EQ(SistemaLinux(t / "orvo-suite").bundlePropio(), "com.orvo.suite");

  t.escribir("bin/orvo-suite", "binario");
  SistemaLinux suelto(t / "bin/orvo-suite");
  EXPECT_EQ(suelto.bundlePropio(), std::nullopt);
  EXPECT_EQ(suelto.versionPropia(), std::nullopt);
  EXPECT_EQ(SistemaLinux().bundlePropio(), std::nullopt);  // this test binary
}

TEST(SistemaLinux, CarpetasDelEntorno) {
  Variable casa("HOME", "/home/ana"), tmp("TMPDIR", nullptr);
  SistemaLinux s;
  EXPECT_EQ(s.carpetaTemporal(), "/tmp");
  {
    // A relative XDG_DATA_HOME is invalid and ignored.
    Variable xdg("XDG_DATA_HOME", "relativa");
    EXPECT_EQ(s.carpetaDatos(), "/home/ana/.local/share");
  }
  Variable xdg("XDG_DATA_HOME", "/datos");
  EXPECT_EQ(s.carpetaDatos(), "/datos");
  EXPECT_EQ(s.entorno("XDG_DATA_HOME"), "/datos");
  Variable sinCasa("HOME", nullptr);
  EXPECT_FALSE(s.carpetaPersonal().empty());
  EXPECT_EQ(s.entorno("HOME"), std::nullopt);
}
