#include "comun/desempaquetar.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"
#include "apoyo/zip_prueba.h"

namespace orvo {
namespace {

namespace fs = std::filesystem;
using prueba::CarpetaTemporal;
using prueba::EntradaZip;
using prueba::leer;

// A real tree zipped by the zip tool, modes, empty folders, links and a large file with it;
// unpacked into a destination that does not exist yet, then again over itself; and hostile
// archives that must not reach outside.
TEST(Desempaquetar, ArbolNormalEnteroYLoHostilNoSaleDeSuCarpeta) {
  CarpetaTemporal t;
  const auto grande = prueba::bytesAlAzar(3 * 1024 * 1024 + 17);
  t.escribir("origen/App/bin/herramienta", "#!/bin/sh\necho hola\n");
  t.escribir("origen/App/datos/g.bin", grande);
  fs::create_directories(t / "origen/App/vacia");
  fs::permissions(t / "origen/App/bin/herramienta", fs::perms(0755));
  fs::create_symlink("bin/herramienta", t / "origen/App/atajo");
  ASSERT_EQ(prueba::ejecutar("cd '" + (t / "origen").string() + "' && /usr/bin/zip -q -r -y '" +
                             (t / "a.zip").string() + "' App")
                .estado,
            0);

  const fs::path dest = t / "nuevo/destino";
  for (int vez = 0; vez < 2; ++vez) {
    ASSERT_EQ(desempaquetar(t / "a.zip", dest), 0);
    EXPECT_EQ(leer(dest / "App/bin/herramienta"), "#!/bin/sh\necho hola\n");
    EXPECT_TRUE(leer(dest / "App/datos/g.bin") == grande);
    struct stat st {};
    ASSERT_EQ(::stat((dest / "App/bin/herramienta").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_TRUE(fs::is_directory(dest / "App/vacia"));
    EXPECT_EQ(fs::read_symlink(dest / "App/atajo"), "bin/herramienta");
  }

  // A zip cut short mid-data does not count as unpacked; nor does a missing or bogus one.
  fs::resize_file(t / "a.zip", fs::file_size(t / "a.zip") / 2);
  EXPECT_NE(desempaquetar(t / "a.zip", t / "d1"), 0);
  EXPECT_NE(desempaquetar(t / "no-existe.zip", t / "d2"), 0);
  t.escribir("basura.zip", std::string(4096, 'q') + "no es un zip");
  EXPECT_NE(desempaquetar(t / "basura.zip", t / "d3"), 0);

  // Every hostile archive fails and leaves nothing outside the destination. Links out of the
  // bundle, bombs, damaged entries, device nodes and modes are in the program's and the
  // managers' own tests (tests/programa, tests/componentes, tests/skills).
  const fs::path dentro = t / "jaula/dest", afuera = t / "afuera";
  fs::create_directories(afuera);
  auto probar = [&](const std::vector<EntradaZip>& entradas) {
    fs::remove_all(dentro);
    prueba::hacerZip(t / "malo.zip", entradas);
    return desempaquetar(t / "malo.zip", dentro);
  };
  EXPECT_NE(probar({{"bien.txt", "archivo", "a"}, {"../fuera.txt", "archivo", "x"}}), 0);
  EXPECT_NE(probar({{"sub/../../fuera2.txt", "archivo", "x"}}), 0);
  EXPECT_NE(probar({{(t / "absoluto.txt").string(), "archivo", "x"}}), 0);
  // Writing through a link, absolute or climbing out.
  EXPECT_NE(probar({{"l", "enlace", afuera.string()}, {"l/f.txt", "archivo", "x"}}), 0);
  EXPECT_NE(probar({{"r", "enlace", "../../afuera"}, {"r/g.txt", "archivo", "x"}}), 0);
  // Lexically inside, but "l" is the destination itself, so "l/.." is its parent.
  EXPECT_EQ(probar({{"l", "enlace", "."}, {"m", "enlace", "l/../afuera"}}), kInseguro);
  EXPECT_FALSE(fs::exists(dentro / "m"));
  for (const auto& e : fs::directory_iterator(t / "jaula")) EXPECT_EQ(e.path(), dentro);
  EXPECT_TRUE(fs::is_empty(afuera));
  EXPECT_FALSE(fs::exists(t / "absoluto.txt"));

  // Links that stay inside are kept.
  EXPECT_EQ(probar({{"App/Contents/f.txt", "archivo", "x"},
                    {"App/Contents/MacOS/l", "enlace", "../f.txt"},
                    {"App/r", "enlace", "Contents/./f.txt"}}),
            0);
  EXPECT_EQ(leer(dentro / "App/Contents/MacOS/l"), "x");
}

}  // namespace
}  // namespace orvo
