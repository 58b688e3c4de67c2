#include "comun/desempaquetar.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"

namespace orvo {
namespace {

namespace fs = std::filesystem;
using prueba::CarpetaTemporal;
using prueba::leer;

struct Entrada {
  std::string nombre;
  std::string contenido;     // file data; empty for links
  std::string destino = {};  // symlink target when not empty
};

// Hostile archives cannot be made with the zip tool, so they are written entry by entry.
void escribirZip(const fs::path& ruta, const std::vector<Entrada>& entradas) {
  archive* a = archive_write_new();
  ASSERT_EQ(archive_write_set_format_zip(a), ARCHIVE_OK);
  ASSERT_EQ(archive_write_open_filename(a, ruta.c_str()), ARCHIVE_OK);
  for (const auto& e : entradas) {
    archive_entry* en = archive_entry_new();
    archive_entry_set_pathname(en, e.nombre.c_str());
    archive_entry_set_filetype(en, e.destino.empty() ? AE_IFREG : AE_IFLNK);
    archive_entry_set_perm(en, e.destino.empty() ? 0644 : 0777);
    if (!e.destino.empty()) archive_entry_set_symlink(en, e.destino.c_str());
    archive_entry_set_size(en, static_cast<la_int64_t>(e.contenido.size()));
    ASSERT_EQ(archive_write_header(a, en), ARCHIVE_OK);
    archive_write_data(a, e.contenido.data(), e.contenido.size());
    archive_entry_free(en);
  }
  archive_write_close(a);
  archive_write_free(a);
}

std::string azar(size_t n) {
  std::mt19937 g(7);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(g());
  return s;
}

// A real tree zipped by the zip tool, modes, empty folders, links and a large file with it;
// unpacked into a destination that does not exist yet, then again over itself.
TEST(Desempaquetar, ArbolNormalConservaModosEnlacesYDatos) {
  CarpetaTemporal t;
  const auto grande = azar(3 * 1024 * 1024 + 17);
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
}

// Every hostile archive fails and leaves nothing outside the destination. Links out of the
// bundle, bombs and full disks are in the program's own tests (tests/programa).
TEST(Desempaquetar, LoHostilNoSaleDeSuCarpeta) {
  CarpetaTemporal t;
  const fs::path dest = t / "jaula/dest", afuera = t / "afuera";
  fs::create_directories(afuera);
  auto probar = [&](const std::vector<Entrada>& entradas) {
    fs::remove_all(dest);
    escribirZip(t / "malo.zip", entradas);
    return desempaquetar(t / "malo.zip", dest);
  };
  EXPECT_NE(probar({{"bien.txt", "a"}, {"../fuera.txt", "x"}}), 0);
  EXPECT_NE(probar({{"sub/../../fuera2.txt", "x"}}), 0);
  EXPECT_NE(probar({{(t / "absoluto.txt").string(), "x"}}), 0);
  // Writing through a link, absolute or climbing out.
  EXPECT_NE(probar({{"l", "", afuera.string()}, {"l/f.txt", "x"}}), 0);
  EXPECT_NE(probar({{"r", "", "../../afuera"}, {"r/g.txt", "x"}}), 0);
  // Lexically inside, but "l" is the destination itself, so "l/.." is its parent.
  EXPECT_EQ(probar({{"l", "", "."}, {"m", "", "l/../afuera"}}), kInseguro);
  EXPECT_FALSE(fs::exists(dest / "m"));
  for (const auto& e : fs::directory_iterator(t / "jaula")) EXPECT_EQ(e.path(), dest);
  EXPECT_TRUE(fs::is_empty(afuera));
  EXPECT_FALSE(fs::exists(t / "absoluto.txt"));

  // Links that stay inside are kept.
  EXPECT_EQ(probar({{"App/Contents/f.txt", "x"},
                    {"App/Contents/MacOS/l", "", "../f.txt"},
                    {"App/r", "", "Contents/./f.txt"}}),
            0);
  EXPECT_EQ(leer(dest / "App/Contents/MacOS/l"), "x");
}

// The limits on bytes and entries; the bomb is small enough to build here.
TEST(Desempaquetar, LosLimitesCortanLaBomba) {
  CarpetaTemporal t;
  escribirZip(t / "bomba.zip",
              {{"a.bin", std::string(8u << 20, '\0')}, {"b.bin", std::string(8u << 20, '\0')}});
  ASSERT_LT(fs::file_size(t / "bomba.zip"), 200'000u);
  LimitesDesempaque limites;
  limites.bytes = 10u << 20;
  EXPECT_EQ(desempaquetar(t / "bomba.zip", t / "d", limites), kDemasiado);
  uintmax_t escritos = 0;
  for (const auto& e : fs::recursive_directory_iterator(t / "d")) escritos += e.file_size();
  EXPECT_LE(escritos, 10u << 20);
  limites = {};
  limites.entradas = 1;
  EXPECT_EQ(desempaquetar(t / "bomba.zip", t / "e", limites), kDemasiado);
  EXPECT_EQ(desempaquetar(t / "bomba.zip", t / "f"), 0);
}

}  // namespace
}  // namespace orvo
