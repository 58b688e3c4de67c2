#include <gtest/gtest.h>

#include <regex>
#include <set>

#include <sys/stat.h>

#include "apoyo/carpeta_temporal.h"
#include "comun/archivos.h"

using namespace orvo;
using prueba::CarpetaTemporal;

TEST(EscrituraAtomica, ReemplazaSinRestosYRespetaElModo) {
  CarpetaTemporal t;
  auto destino = t / "sesion.json";
  ASSERT_FALSE(escribirAtomico(destino, "uno", 0600));
  ASSERT_FALSE(escribirAtomico(destino, "dos", 0600));
  EXPECT_EQ(prueba::leer(destino), "dos");
  struct stat st {};
  ASSERT_EQ(stat(destino.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // No temporary files are left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(t.ruta()), fs::directory_iterator()), 1);
}

TEST(EscrituraAtomica, FalloDejaElArchivoAnteriorYLoDice) {
  CarpetaTemporal t;
  auto destino = t / "a.json";
  ASSERT_FALSE(escribirAtomico(destino, "bueno"));
  EXPECT_TRUE(escribirAtomico(t / "no-existe" / "a.json", "x"));
  // A folder where the file should be cannot be replaced by a file.
  fs::create_directory(t / "carpeta");
  EXPECT_TRUE(escribirAtomico(t / "carpeta", "x"));
  EXPECT_EQ(prueba::leer(destino), "bueno");
}

TEST(Mover, DentroYEntreSistemasDeArchivos) {
  CarpetaTemporal t;
  t.escribir("A.app/Contents/MacOS/a", "#!/bin/sh\n");
  fs::permissions(t / "A.app/Contents/MacOS/a", fs::perms(0755));
  fs::create_symlink("MacOS/a", t / "A.app/Contents/enlace");
  ASSERT_FALSE(mover(t / "A.app", t / "B.app"));
  EXPECT_FALSE(fs::exists(t / "A.app"));
  EXPECT_TRUE(fs::is_symlink(t / "B.app/Contents/enlace"));

  // /dev/shm is a tmpfs on Linux, so this crosses filesystems when /tmp is on disk.
  fs::path fuera = fs::path("/dev/shm") / ("orvo-" + uuidMayusculas());
  ASSERT_FALSE(mover(t / "B.app", fuera));
  EXPECT_TRUE(fs::is_symlink(fuera / "Contents/enlace"));
  EXPECT_EQ(fs::status(fuera / "Contents/MacOS/a").permissions() & fs::perms::owner_exec,
            fs::perms::owner_exec);
  EXPECT_FALSE(fs::exists(t / "B.app"));
  ASSERT_FALSE(mover(fuera, t / "C.app"));
  EXPECT_EQ(prueba::leer(t / "C.app/Contents/MacOS/a"), "#!/bin/sh\n");
  EXPECT_TRUE(mover(t / "no-existe", t / "D.app"));
}

TEST(Intercambiar, CambiaDosCarpetasDeUnGolpe) {
  CarpetaTemporal t;
  t.escribir("nueva/v", "2");
  t.escribir("vieja/v", "1");
  ASSERT_FALSE(intercambiar(t / "nueva", t / "vieja"));
  EXPECT_EQ(prueba::leer(t / "vieja/v"), "2");
  EXPECT_EQ(prueba::leer(t / "nueva/v"), "1");
  EXPECT_TRUE(intercambiar(t / "nueva", t / "falta"));
}

TEST(Uuid, MayusculasUnicosConFormato) {
  std::regex forma("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
  std::set<std::string> vistos;
  for (int i = 0; i < 200; ++i) {
    auto u = uuidMayusculas();
    EXPECT_TRUE(std::regex_match(u, forma)) << u;
    vistos.insert(u);
  }
  EXPECT_EQ(vistos.size(), 200u);
}
