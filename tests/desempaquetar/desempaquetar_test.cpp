#include "comun/desempaquetar.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "apoyo/carpeta_temporal.h"
#include "apoyo/tmpfs.h"

namespace orvo {
namespace {

namespace fs = std::filesystem;
using prueba::CarpetaTemporal;
using prueba::leer;
using prueba::Tmpfs;

struct Entrada {
  std::string nombre;
  std::string contenido;     // file data; empty for links
  std::string destino = {};  // symlink target when not empty
};

// Hostile archives cannot be made with the zip tool, so they are written entry by entry.
void escribir_zip(const fs::path& ruta, const std::vector<Entrada>& entradas) {
  archive* a = archive_write_new();
  ASSERT_EQ(archive_write_set_format_zip(a), ARCHIVE_OK);
  ASSERT_EQ(archive_write_open_filename(a, ruta.c_str()), ARCHIVE_OK);
  for (const auto& e : entradas) {
    archive_entry* en = archive_entry_new();
    archive_entry_set_pathname(en, e.nombre.c_str());
    if (!e.destino.empty()) {
      archive_entry_set_filetype(en, AE_IFLNK);
      archive_entry_set_perm(en, 0777);
      archive_entry_set_symlink(en, e.destino.c_str());
      ASSERT_EQ(archive_write_header(a, en), ARCHIVE_OK);
    } else {
      archive_entry_set_filetype(en, AE_IFREG);
      archive_entry_set_perm(en, 0644);
      archive_entry_set_size(en, static_cast<la_int64_t>(e.contenido.size()));
      ASSERT_EQ(archive_write_header(a, en), ARCHIVE_OK);
      archive_write_data(a, e.contenido.data(), e.contenido.size());
    }
    archive_entry_free(en);
  }
  archive_write_close(a);
  archive_write_free(a);
}

mode_t modo(const fs::path& p) {
  struct stat st {};
  EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
  return st.st_mode & 07777;
}

TEST(Desempaquetar, ArbolNormalConservaModosYEnlaces) {
  CarpetaTemporal t;
  t.escribir("origen/App/bin/herramienta", "#!/bin/sh\necho hola\n");
  t.escribir("origen/App/datos/leeme.txt", "texto");
  fs::create_directories(t / "origen/App/vacia");
  fs::permissions(t / "origen/App/bin/herramienta", fs::perms(0755));
  fs::create_symlink("bin/herramienta", t / "origen/App/atajo");
  const std::string orden = "cd '" + (t / "origen").string() + "' && /usr/bin/zip -q -r -y '" +
                            (t / "a.zip").string() + "' App";
  ASSERT_EQ(std::system(orden.c_str()), 0);

  // The destination does not exist yet: it is created.
  const fs::path dest = t / "nuevo/destino";
  ASSERT_EQ(desempaquetar(t / "a.zip", dest), 0);
  EXPECT_EQ(leer(dest / "App/bin/herramienta"), "#!/bin/sh\necho hola\n");
  EXPECT_EQ(leer(dest / "App/datos/leeme.txt"), "texto");
  EXPECT_EQ(modo(dest / "App/bin/herramienta"), 0755u);
  EXPECT_TRUE(fs::is_directory(dest / "App/vacia"));
  ASSERT_TRUE(fs::is_symlink(dest / "App/atajo"));
  EXPECT_EQ(fs::read_symlink(dest / "App/atajo"), "bin/herramienta");

  // Unpacking again over the same tree replaces it without complaint.
  EXPECT_EQ(desempaquetar(t / "a.zip", dest), 0);
  EXPECT_EQ(leer(dest / "App/datos/leeme.txt"), "texto");
}

TEST(Desempaquetar, ArchivoGrandeLlegaEntero) {
  CarpetaTemporal t;
  std::string grande(3 * 1024 * 1024 + 17, '\0');
  unsigned x = 12345;
  for (auto& c : grande) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
  t.escribir("origen/g.bin", grande);
  const std::string orden = "cd '" + (t / "origen").string() + "' && /usr/bin/zip -q '" +
                            (t / "g.zip").string() + "' g.bin";
  ASSERT_EQ(std::system(orden.c_str()), 0);
  ASSERT_EQ(desempaquetar(t / "g.zip", t / "d"), 0);
  EXPECT_TRUE(leer(t / "d/g.bin") == grande);
}

// Every hostile archive must fail and leave nothing outside the destination.
class DesempaquetarHostil : public ::testing::Test {
 protected:
  CarpetaTemporal t;
  fs::path dest() const { return t / "jaula/dest"; }
  int probar(const std::vector<Entrada>& entradas) {
    escribir_zip(t / "malo.zip", entradas);
    return desempaquetar(t / "malo.zip", dest());
  }
};

TEST_F(DesempaquetarHostil, RechazaPuntoPunto) {
  EXPECT_NE(probar({{"bien.txt", "a"}, {"../fuera.txt", "x"}}), 0);
  EXPECT_FALSE(fs::exists(t / "jaula/fuera.txt"));
  EXPECT_NE(probar({{"sub/../../fuera2.txt", "x"}}), 0);
  EXPECT_FALSE(fs::exists(t / "jaula/fuera2.txt"));
}

TEST_F(DesempaquetarHostil, RechazaRutaAbsoluta) {
  const fs::path abs = t / "absoluto.txt";
  EXPECT_NE(probar({{abs.string(), "x"}}), 0);
  EXPECT_FALSE(fs::exists(abs));
  EXPECT_FALSE(fs::exists(dest() / abs.relative_path()));
}

TEST_F(DesempaquetarHostil, RechazaEscribirAtravesDeEnlace) {
  const fs::path afuera = t / "afuera";
  fs::create_directories(afuera);
  EXPECT_NE(probar({{"l", "", afuera.string()}, {"l/f.txt", "x"}}), 0);
  EXPECT_FALSE(fs::exists(afuera / "f.txt"));
  // A relative link that climbs out is no way round it.
  EXPECT_NE(probar({{"r", "", "../../afuera"}, {"r/g.txt", "x"}}), 0);
  EXPECT_FALSE(fs::exists(afuera / "g.txt"));
}

TEST_F(DesempaquetarHostil, RechazaEnlacesQueApuntanAfuera) {
  EXPECT_EQ(probar({{"App/abs", "", "/etc"}}), kInseguro);
  EXPECT_EQ(probar({{"App/sube", "", "../../afuera"}}), kInseguro);
  // Lexically inside, but "l" is the destination itself, so "l/.." is its parent.
  EXPECT_EQ(probar({{"l", "", "."}, {"m", "", "l/../afuera"}}), kInseguro);
  EXPECT_FALSE(fs::exists(dest() / "m"));
  // Links that stay inside are kept.
  EXPECT_EQ(probar({{"App/Contents/f.txt", "x"},
                    {"App/Contents/MacOS/l", "", "../f.txt"},
                    {"App/r", "", "Contents/./f.txt"}}),
            0);
  EXPECT_EQ(leer(dest() / "App/Contents/MacOS/l"), "x");
}

TEST(Desempaquetar, UnaBombaSeCortaEnElLimite) {
  CarpetaTemporal t;
  escribir_zip(t / "bomba.zip",
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

TEST(Desempaquetar, UnDiscoLlenoEsUnFallo) {
  CarpetaTemporal t;
  Tmpfs disco(t / "lleno", 1u << 20);
  if (!disco.montado()) GTEST_SKIP() << "montar tmpfs necesita root";
  std::string datos(3u << 20, '\0');
  unsigned x = 99;
  for (auto& c : datos) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
  escribir_zip(t / "grande.zip", {{"App/poco.txt", "hola"}, {"App/grande.bin", datos}});
  EXPECT_EQ(desempaquetar(t / "grande.zip", t / "lleno/d"), kSinEspacio);
  EXPECT_EQ(motivoDesempaque(kSinEspacio), "no queda espacio en el disco");
}

TEST(Desempaquetar, FallaSinZipValido) {
  CarpetaTemporal t;
  EXPECT_NE(desempaquetar(t / "no-existe.zip", t / "d1"), 0);
  t.escribir("basura.zip", std::string(4096, 'q') + "no es un zip");
  EXPECT_NE(desempaquetar(t / "basura.zip", t / "d2"), 0);
  // A zip cut short mid-data must not count as unpacked.
  std::string grande(200000, '\0');
  unsigned x = 7;
  for (auto& c : grande) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
  t.escribir("origen/g.bin", grande);
  const std::string orden = "cd '" + (t / "origen").string() + "' && /usr/bin/zip -q '" +
                            (t / "c.zip").string() + "' g.bin";
  ASSERT_EQ(std::system(orden.c_str()), 0);
  fs::resize_file(t / "c.zip", 100000);
  EXPECT_NE(desempaquetar(t / "c.zip", t / "d3"), 0);
}

}  // namespace
}  // namespace orvo
