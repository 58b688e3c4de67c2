#include <gtest/gtest.h>

#include <regex>
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
  EXPECT_EQ(fs::status(destino).permissions(), fs::perms(0600));
  // A folder where the file should be cannot be replaced by a file.
  fs::create_directory(t / "carpeta");
  EXPECT_TRUE(escribirAtomico(t / "carpeta", "x"));
  EXPECT_TRUE(escribirAtomico(t / "no-existe" / "a.json", "x"));
  EXPECT_EQ(prueba::leer(destino), "dos");
  // No temporary files are left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(t.ruta()), fs::directory_iterator()), 2);
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

// Across filesystems the copy keeps the dates (the installed version is told by them), and
// a copy that does not fit fails whole: the source stays, no hidden copy is left behind.
TEST(Mover, EntreSistemasConservaFechasYNoPierdeNadaSiNoCabe) {
  CarpetaTemporal t;
  prueba::Tmpfs chico(t / "chico", 1u << 20);
  if (!chico.montado()) GTEST_SKIP() << "montar tmpfs necesita root";
  t.escribir("A.app/Contents/Info.plist", "plist");
  t.escribir("A.app/Contents/grande.bin", std::string(3u << 20, 'g'));
  auto antigua = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  fs::last_write_time(t / "A.app/Contents/Info.plist", antigua);
  fs::permissions(t / "A.app/Contents", fs::perms(0750));

  auto fallo = mover(t / "A.app", t / "chico/A.app");
  ASSERT_TRUE(fallo);
  EXPECT_NE(fallo->find("No space left"), std::string::npos) << *fallo;
  EXPECT_TRUE(fs::is_empty(t / "chico"));
  EXPECT_EQ(fs::file_size(t / "A.app/Contents/grande.bin"), 3u << 20);

  fs::remove(t / "A.app/Contents/grande.bin");
  ASSERT_FALSE(mover(t / "A.app", t / "chico/A.app"));
  EXPECT_EQ(fs::last_write_time(t / "chico/A.app/Contents/Info.plist"), antigua);
  EXPECT_EQ(fs::status(t / "chico/A.app/Contents").permissions(), fs::perms(0750));
  EXPECT_FALSE(fs::exists(t / "A.app"));
  // Nothing hidden is left on either side.
  for (const auto& carpeta : {t.ruta(), t / "chico"})
    for (const auto& e : fs::directory_iterator(carpeta))
      EXPECT_FALSE(e.path().filename().string().starts_with(".A.app")) << e.path();
}

// Removals take links, never what they point at: a link inside the tree, a link where a
// folder was, and only the hidden leftovers of the name asked for.
TEST(Quitar, NuncaSigueEnlacesYSoloLosRestosDeEseNombre) {
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
}

// A crashed run's working folders go at the next start; a live process's stay, and so does
// anything that only looks like ours.
TEST(CarpetasDeTrabajo, SoloSeQuitanLasQueNadieOcupa) {
  CarpetaTemporal t;
  auto viva = t / ("orvo-suite-" + uuidMayusculas());
  auto huerfana = t / ("orvo-descargas-" + uuidMayusculas());
  t.escribir(viva.filename().string() + "/descarga.zip", "a");
  t.escribir(huerfana.filename().string() + "/1.parcial", "b");
  t.escribir("orvo-suite-otra-cosa/f", "c");
  CarpetaOcupada ocupada(viva);
  quitarCarpetasHuerfanas(t.ruta());
  EXPECT_TRUE(fs::exists(viva / "descarga.zip"));
  EXPECT_FALSE(fs::exists(huerfana));
  EXPECT_TRUE(fs::exists(t / "orvo-suite-otra-cosa/f"));
}

TEST(Intercambiar, CambiaDosCarpetasDeUnGolpe) {
  CarpetaTemporal t;
  t.escribir("nueva/v", "2");
  t.escribir("vieja/v", "1");
  ASSERT_FALSE(intercambiar(t / "nueva", t / "vieja"));
  EXPECT_EQ(prueba::leer(t / "vieja/v") + prueba::leer(t / "nueva/v"), "21");
  EXPECT_TRUE(intercambiar(t / "nueva", t / "falta"));
}

TEST(Uuid, MayusculasUnicosConFormato) {
  std::regex forma("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
  std::set<std::string> vistos;
  for (int i = 0; i < 200; ++i)
    EXPECT_TRUE(std::regex_match(*vistos.insert(uuidMayusculas()).first, forma));
  EXPECT_EQ(vistos.size(), 200u);
}
