#include "comun/desempaquetar.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <random>
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

std::string azar(size_t n) {
  std::mt19937 g(7);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(g());
  return s;
}

mode_t modo(const fs::path& p) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
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
    EXPECT_EQ(modo(dest / "App/bin/herramienta"), 0755u);
    EXPECT_TRUE(fs::is_directory(dest / "App/vacia"));
    EXPECT_EQ(fs::read_symlink(dest / "App/atajo"), "bin/herramienta");
  }

  // A zip cut short mid-data does not count as unpacked; nor does a missing or bogus one.
  fs::resize_file(t / "a.zip", fs::file_size(t / "a.zip") / 2);
  EXPECT_NE(desempaquetar(t / "a.zip", t / "d1"), 0);
  EXPECT_NE(desempaquetar(t / "no-existe.zip", t / "d2"), 0);
  t.escribir("basura.zip", std::string(4096, 'q') + "no es un zip");
  EXPECT_NE(desempaquetar(t / "basura.zip", t / "d3"), 0);

  // Modes as shipped lose what would hand the files to others (set-uid, set-gid, sticky,
  // write for group and others) and keep what runs them.
  prueba::hacerZip(t / "modos.zip", {{"c/", "carpeta", "", 01777},
                                     {"c/x", "archivo", "#!/bin/sh\n", 06777},
                                     {"c/g", "archivo", "g", 02775},
                                     {"c/r", "archivo", "r", 0400}});
  ASSERT_EQ(desempaquetar(t / "modos.zip", t / "m"), 0);
  EXPECT_EQ(modo(t / "m/c"), 0755u);
  EXPECT_EQ(modo(t / "m/c/x"), 0755u);
  EXPECT_EQ(modo(t / "m/c/g"), 0755u);
  EXPECT_EQ(modo(t / "m/c/r"), 0400u);
}

// Every hostile archive fails and leaves nothing outside the destination, nor anything that
// is not a file, a folder or a link inside it.
TEST(Desempaquetar, LoHostilNoSaleDeSuCarpeta) {
  CarpetaTemporal t;
  const fs::path dest = t / "jaula/dest", afuera = t / "afuera";
  fs::create_directories(afuera);
  auto probar = [&](const std::vector<EntradaZip>& entradas, LimitesDesempaque l = {}) {
    fs::remove_all(dest);
    prueba::hacerZip(t / "malo.zip", entradas);
    return desempaquetar(t / "malo.zip", dest, l);
  };
  EXPECT_NE(probar({{"bien.txt", "archivo", "a"}, {"../fuera.txt", "archivo", "x"}}), 0);
  EXPECT_NE(probar({{"sub/../../fuera2.txt", "archivo", "x"}}), 0);
  EXPECT_NE(probar({{(t / "absoluto.txt").string(), "archivo", "x"}}), 0);
  // Writing through a link, absolute or climbing out.
  EXPECT_NE(probar({{"l", "enlace", afuera.string()}, {"l/f.txt", "archivo", "x"}}), 0);
  EXPECT_NE(probar({{"r", "enlace", "../../afuera"}, {"r/g.txt", "archivo", "x"}}), 0);
  // Lexically inside, but "l" is the destination itself, so "l/.." is its parent.
  EXPECT_EQ(probar({{"l", "enlace", "."}, {"m", "enlace", "l/../afuera"}}), kInseguro);
  EXPECT_FALSE(fs::exists(dest / "m"));
  EXPECT_EQ(probar({{"a", "archivo", "a"}, {"d", "dispositivo"}}), kEspecial);
  EXPECT_FALSE(fs::exists(dest / "d"));
  // libarchive reads a FIFO's mode in a zip as a plain file; refused or plain, never a FIFO.
  probar({{"t", "tuberia"}});
  EXPECT_FALSE(fs::is_fifo(fs::symlink_status(dest / "t")));
  for (const auto& e : fs::directory_iterator(t / "jaula")) EXPECT_EQ(e.path(), dest);
  EXPECT_TRUE(fs::is_empty(afuera));
  EXPECT_FALSE(fs::exists(t / "absoluto.txt"));

  // Links that stay inside are kept; those that go round only where asked.
  const std::vector<EntradaZip> enlaces{{"App/Contents/f.txt", "archivo", "x"},
                                        {"App/Contents/MacOS/l", "enlace", "../f.txt"},
                                        {"App/r", "enlace", "Contents/./f.txt"}};
  EXPECT_EQ(probar(enlaces), 0);
  EXPECT_EQ(leer(dest / "App/Contents/MacOS/l"), "x");
  LimitesDesempaque sinVueltas;
  sinVueltas.sinVueltas = true;
  EXPECT_EQ(probar(enlaces, sinVueltas), 0);
  EXPECT_EQ(probar({{"a", "enlace", "b"}, {"b", "enlace", "a"}}, sinVueltas), kVueltas);
  EXPECT_EQ(probar({{"s/yo", "enlace", "."}}, sinVueltas), kVueltas);
  EXPECT_EQ(probar({{"s/t/arriba", "enlace", "../.."}}, sinVueltas), kVueltas);
  EXPECT_EQ(probar({{"s/yo", "enlace", "."}}), 0);
}

// Data that is not what the headers declare, and the limits on bytes and entries; the bombs
// are small enough to build here.
TEST(Desempaquetar, DanosMentirasYBombas) {
  CarpetaTemporal t;
  auto probar = [&](const std::vector<EntradaZip>& entradas, LimitesDesempaque l = {}) {
    fs::remove_all(t / "d");
    prueba::hacerZip(t / "z.zip", entradas);
    return desempaquetar(t / "z.zip", t / "d", l);
  };
  EXPECT_EQ(probar({{"a", "archivo", "datos", 0644, -1, true}}), kDanado);
  // A few bytes that declare 64 GB are not stretched into a sparse file of that size.
  auto inicio = std::chrono::steady_clock::now();
  EXPECT_EQ(probar({{"a", "archivo", "datos", 0644, 64ll << 30}}), kDanado);
  EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(5));
  EXPECT_LT(fs::file_size(t / "z.zip"), 400u);
  EXPECT_FALSE(fs::exists(t / "d/a") && fs::file_size(t / "d/a") > 5);
  LimitesDesempaque limites;
  limites.bytes = 10u << 20;
  EXPECT_EQ(probar({{"a", "archivo", "datos", 0644, 64ll << 30}}, limites), kDemasiado);
  EXPECT_FALSE(fs::exists(t / "d/a"));

  const std::vector<EntradaZip> bomba{{"a.bin", "ceros", "8"}, {"b.bin", "ceros", "8"}};
  EXPECT_EQ(probar(bomba, limites), kDemasiado);
  ASSERT_LT(fs::file_size(t / "z.zip"), 200'000u);
  uintmax_t escritos = 0;
  for (const auto& e : fs::recursive_directory_iterator(t / "d")) escritos += e.file_size();
  EXPECT_LE(escritos, 10u << 20);
  limites = {};
  limites.entradas = 1;
  EXPECT_EQ(probar(bomba, limites), kDemasiado);
  EXPECT_EQ(probar(bomba), 0);
}

}  // namespace
}  // namespace orvo
