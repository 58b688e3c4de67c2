#include <gtest/gtest.h>

#include <set>

#include "apoyo/carpeta_temporal.h"
#include "apoyo/tmpfs.h"
#include "comun/archivos.h"
#include "comun/carpeta_trabajo.h"

using namespace orvo;
using prueba::CarpetaTemporal;

TEST(EscrituraAtomica, ReemplazaSinRestosYSiFallaDejaLoAnterior) {
  CarpetaTemporal t;
  auto destino = t / "sesion.json";
  ASSERT_FALSE(escribirAtomico(destino, "uno", 0600));
  ASSERT_FALSE(escribirAtomico(destino, "dos", 0600));
  // A folder where the file should be cannot be replaced by a file.
  fs::create_directory(t / "carpeta");
  EXPECT_TRUE(escribirAtomico(t / "carpeta", "x"));
  EXPECT_TRUE(escribirAtomico(t / "no-existe" / "a.json", "x"));
  EXPECT_EQ(prueba::leer(destino), "dos");
  // No temporary files are left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(t.ruta()), fs::directory_iterator()), 2);
}

// Within a filesystem a rename; across filesystems a copy that keeps links, modes and dates
// (the installed version is told by them); and a copy that does not fit fails whole: the
// source stays, no hidden copy is left behind.
TEST(Mover, DentroYEntreSistemasConservaTodoYNoPierdeNadaSiNoCabe) {
  CarpetaTemporal t;
  prueba::Tmpfs chico(t / "chico", 1u << 20);
  if (!chico.montado()) GTEST_SKIP() << "montar tmpfs necesita root";
  t.escribir("A.app/Contents/MacOS/a", "#!/bin/sh\n");
  t.escribir("A.app/Contents/grande.bin", std::string(3u << 20, 'g'));
  fs::permissions(t / "A.app/Contents/MacOS/a", fs::perms(0755));
  fs::create_symlink("MacOS/a", t / "A.app/Contents/enlace");
  auto antigua = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  fs::last_write_time(t / "A.app/Contents/MacOS/a", antigua);
  fs::permissions(t / "A.app/Contents", fs::perms(0750));
  ASSERT_FALSE(mover(t / "A.app", t / "B.app"));
  EXPECT_FALSE(fs::exists(t / "A.app"));
  EXPECT_TRUE(mover(t / "no-existe", t / "D.app"));

  auto fallo = mover(t / "B.app", t / "chico/B.app");
  ASSERT_TRUE(fallo);
  EXPECT_NE(fallo->find("No space left"), std::string::npos) << *fallo;
  EXPECT_TRUE(fs::is_empty(t / "chico"));
  EXPECT_EQ(fs::file_size(t / "B.app/Contents/grande.bin"), 3u << 20);

  fs::remove(t / "B.app/Contents/grande.bin");
  ASSERT_FALSE(mover(t / "B.app", t / "chico/B.app"));
  EXPECT_FALSE(fs::exists(t / "B.app"));
  EXPECT_EQ(fs::read_symlink(t / "chico/B.app/Contents/enlace"), "MacOS/a");
  EXPECT_EQ(fs::status(t / "chico/B.app/Contents/MacOS/a").permissions(), fs::perms(0755));
  EXPECT_EQ(fs::last_write_time(t / "chico/B.app/Contents/MacOS/a"), antigua);
  EXPECT_EQ(fs::status(t / "chico/B.app/Contents").permissions(), fs::perms(0750));
  for (const auto& carpeta : {t.ruta(), t / "chico"})
    for (const auto& e : fs::directory_iterator(carpeta))
      EXPECT_FALSE(e.path().filename().string().starts_with(".B.app")) << e.path();
}

// Removals take links, never what they point at: a link inside the tree, a link where a
// folder was; only the hidden leftovers of the name asked for, and only the working folders
// of a crashed run (a live process's stay, and so does anything that only looks like ours).
TEST(Quitar, NuncaSigueEnlacesNiQuitaLoQueNoEsUnResto) {
  CarpetaTemporal t;
  t.escribir("ajena/foto.jpg", "del usuario");
  t.escribir("arbol/sub/f", "x");
  fs::create_directory_symlink(t / "ajena", t / "arbol/sub/enlace");
  fs::create_directory_symlink(t / "ajena", t / "preparando");
  EXPECT_TRUE(quitarArbol(t / "arbol"));
  vaciarCarpeta(t / "preparando");
  EXPECT_FALSE(fs::exists(t / "arbol"));
  EXPECT_TRUE(fs::is_directory(fs::symlink_status(t / "preparando")));
  EXPECT_EQ(prueba::leer(t / "ajena/foto.jpg"), "del usuario");

  t.escribir("restos/.X.app." + uuidMayusculas() + "/f", "resto");
  auto uuid = uuidMayusculas();
  t.escribir("restos/.Y.app." + uuid + "/f", "de otra app");
  t.escribir("restos/.X.app.otra-cosa/f", "no es nuestro");
  t.escribir("restos/X.app/f", "instalada");
  quitarRestos(t / "restos", "X.app");
  std::set<std::string> quedan;
  for (const auto& e : fs::directory_iterator(t / "restos"))
    quedan.insert(e.path().filename().string().substr(0, 9));
  EXPECT_EQ(quedan, (std::set<std::string>{".X.app.ot", ".Y.app." + uuid.substr(0, 2), "X.app"}));

  auto viva = t / ("tmp/orvo-suite-" + uuidMayusculas());
  auto huerfana = t / ("tmp/orvo-descargas-" + uuidMayusculas());
  t.escribir("tmp/" + viva.filename().string() + "/descarga.zip", "a");
  t.escribir("tmp/" + huerfana.filename().string() + "/1.parcial", "b");
  t.escribir("tmp/orvo-suite-otra-cosa/f", "c");
  CarpetaOcupada ocupada(viva);
  quitarCarpetasHuerfanas(t / "tmp");
  EXPECT_TRUE(fs::exists(viva / "descarga.zip"));
  EXPECT_FALSE(fs::exists(huerfana));
  EXPECT_TRUE(fs::exists(t / "tmp/orvo-suite-otra-cosa/f"));
}
