#include <gtest/gtest.h>

#include <glib.h>

#include "apoyo/bundles_prueba.h"
#include "plataforma/linux/entrada_escritorio.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

std::string clave(const fs::path& archivo, const char* nombre) {
  GKeyFile* k = g_key_file_new();
  std::string r = "(sin leer)";
  if (g_key_file_load_from_file(k, archivo.c_str(), G_KEY_FILE_NONE, nullptr)) {
    gchar* v = g_key_file_get_string(k, "Desktop Entry", nombre, nullptr);
    r = v ? v : "(falta)";
    g_free(v);
  }
  g_key_file_free(k);
  return r;
}

// Exec as a desktop reads it: shell-like words, then "%%" back to "%".
std::vector<std::string> argumentos(const std::string& exec) {
  gchar** argv = nullptr;
  std::vector<std::string> r;
  if (!g_shell_parse_argv(exec.c_str(), nullptr, &argv, nullptr)) return r;
  for (gchar** a = argv; *a; ++a) {
    std::string s = *a;
    for (size_t i = s.find("%%"); i != std::string::npos; i = s.find("%%", i + 1)) s.erase(i, 1);
    r.push_back(s);
  }
  g_strfreev(argv);
  return r;
}

}  // namespace

TEST(Registrar, EscribeLaEntradaQueUbicarLeeYRechazaBundlesSinIdentidad) {
  Escritorio e;
  auto claves = clavesDe("com.orvo.video", "Vídeo \"raro\"");
  claves["CFBundleName"] = "Orvo Vídeo";
  // Quotes, a dollar, a backslash and a percent sign must all survive Exec's quoting.
  auto bundle = crearBundle(e.t / "Mis apps $HOME 100% a\\b", "Vídeo", claves);
  ASSERT_EQ(e.espacio.registrar(bundle), std::nullopt);

  auto entrada = e.entradas / "orvo-com.orvo.video.desktop";
  EXPECT_EQ(clave(entrada, "Name"), "Orvo Vídeo");
  EXPECT_EQ(clave(entrada, "X-Orvo-Ruta"), bundle.string());
  EXPECT_EQ(argumentos(clave(entrada, "Exec")),
            std::vector<std::string>{(bundle / "Contents/MacOS/Vídeo \"raro\"").string()});

  // Registering again refreshes the entry; without CFBundleName the folder names the app.
  claves.erase("CFBundleName");
  crearBundle(bundle.parent_path(), "Vídeo", claves, "");
  ASSERT_EQ(e.espacio.registrar(bundle / ""), std::nullopt);
  EXPECT_EQ(clave(entrada, "Name"), "Vídeo");
  EXPECT_EQ(clave(entrada, "X-Orvo-Ruta"), bundle.string());

  // Bundles without an identity are refused and leave the entry alone.
  auto antes = leer(entrada);
  auto sinId = crearBundle(e.t.ruta(), "SinId", {{"CFBundleExecutable", "SinId"}});
  EXPECT_EQ(e.espacio.registrar(sinId),
            "No se pudo registrar SinId: su Info.plist no tiene CFBundleIdentifier.");
  auto fuera = crearBundle(e.t / "otra", "Video", clavesDe("com.orvo.video", "../../x"), "");
  EXPECT_EQ(e.espacio.registrar(fuera),
            "No se pudo registrar Video: su Info.plist no nombra un ejecutable válido "
            "(CFBundleExecutable).");
  EXPECT_EQ(leer(entrada), antes);
  // Names that differ only where the file name escapes them get files of their own.
  EXPECT_NE(nombreDeEntrada("com.orvo.a_b"), nombreDeEntrada("com.orvo.a b"));
  EXPECT_EQ(nombreDeEntrada("com.orvo.a b/c"), "orvo-com.orvo.a_20b_2Fc.desktop");
}

TEST(Ubicar, SoloEntradasVigentesLuegoAplicacionesYNadaLeidoEnUnPaseLoSobrevive) {
  Escritorio e;
  EXPECT_EQ(e.espacio.ubicar("com.orvo.video"), std::nullopt);
  auto enApps = crearBundle(e.apps, "Video", clavesDe("com.orvo.video", "Video"), "", true);
  crearBundle(e.apps, "Otro", clavesDe("com.orvo.otro", "Otro"), "");
  auto registrado = crearBundle(e.t / "Descargas", "Video", clavesDe("com.orvo.video", "Video"));
  ASSERT_EQ(e.espacio.registrar(registrado), std::nullopt);
  {
    Espacio::Pase pase(e.espacio);
    EXPECT_EQ(e.espacio.ubicar("com.orvo.video"), registrado);
    EXPECT_EQ(e.espacio.ubicar("com.orvo.otro"), e.apps / "Otro.app");
    EXPECT_EQ(e.espacio.ubicar("com.orvo.notas"), std::nullopt);
    EXPECT_EQ(e.espacio.infoPlist(enApps)->at("CFBundleIdentifier"), "com.orvo.video");
  }
  // Right after it, every change shows: a new bundle; the registered bundle now another
  // app, then gone (its entry no longer counts); a rewritten Info.plist.
  auto notas = crearBundle(e.apps, "Notas", clavesDe("com.orvo.notas", "Notas"), "");
  EXPECT_EQ(e.espacio.ubicar("com.orvo.notas"), notas);
  crearBundle(e.t / "Descargas", "Video", clavesDe("com.orvo.cambiada", "Video"), "");
  EXPECT_EQ(e.espacio.ubicar("com.orvo.video"), enApps);
  fs::remove_all(registrado);
  EXPECT_EQ(e.espacio.ubicar("com.orvo.video"), enApps);
  crearBundle(e.apps, "Video", clavesDe("com.orvo.cambiada", "Video"), "");
  EXPECT_EQ(e.espacio.ubicar("com.orvo.video"), std::nullopt);
  EXPECT_EQ(e.espacio.infoPlist(enApps)->at("CFBundleIdentifier"), "com.orvo.cambiada");
}
