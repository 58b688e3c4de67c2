// `cmake --install` of this very build into a scratch root: the bundle the program reads
// itself from, the launcher, the desktop entry, the icons and the metainfo, each checked by
// the tools a distribution checks them with.
#include <gtest/gtest.h>

#include <fstream>

#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"
#include "catalogo/conocidas.h"
#include "paquete/instalar.h"
#include "plataforma/linux/info_plist.h"
#include "plataforma/linux/sistema_linux.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

// Width and height from a PNG's IHDR chunk; {0, 0} when the file is not a PNG.
std::pair<int, int> tamanoPng(const fs::path& ruta) {
  unsigned char c[24] = {};
  std::ifstream(ruta, std::ios::binary).read(reinterpret_cast<char*>(c), sizeof c);
  if (std::string(reinterpret_cast<char*>(c + 1), 3) != "PNG") return {0, 0};
  auto n = [&](int i) { return c[i] << 24 | c[i + 1] << 16 | c[i + 2] << 8 | c[i + 3]; };
  return {n(16), n(20)};
}

}  // namespace

TEST(Instalacion, DejaUnBundleYUnCiudadanoDelEscritorio) {
  CarpetaTemporal t;
  auto raiz = t / "raiz";
  ASSERT_TRUE(instalarEn(raiz));
  auto bundle = raiz / fs::path(ORVO_BUNDLE).relative_path();
  auto prefijo = raiz / fs::path(ORVO_PREFIJO).relative_path();
  auto exe = bundle / "Contents/MacOS/orvo-suite";

  auto info = leerInfoPlist(bundle / "Contents/Info.plist");
  ASSERT_TRUE(info);
  std::string suite;
  for (const auto& a : appsConocidas())
    if (a.id == "suite") suite = a.bundle;
  EXPECT_EQ((*info)["CFBundleIdentifier"], suite);
  EXPECT_EQ((*info)["CFBundleExecutable"], "orvo-suite");
  // The windows' WebKit part, which the program loads from beside itself.
  EXPECT_TRUE(fs::is_regular_file(bundle / "Contents/MacOS/orvo-suite-web.so"));
  // What the running program makes of it.
  SistemaLinux sistema(exe);
  EXPECT_EQ(sistema.bundlePropio(), suite);

  EXPECT_EQ(fs::read_symlink(prefijo / "bin/orvo-suite"),
            fs::path(ORVO_BUNDLE) / "Contents/MacOS/orvo-suite");
  EXPECT_EQ(fs::exists(fs::path(ORVO_FUENTES) / "web"),
            fs::is_directory(bundle / "Contents/Resources/web"));

  // Named after the application id, which is the bundle's identifier too.
  auto entrada = prefijo / "share/applications" / (suite + ".desktop");
  auto r = ejecutar("desktop-file-validate '" + entrada.string() + "' 2>&1");
  EXPECT_EQ(r.estado, 0) << r.texto;
  EXPECT_EQ(r.texto.find("error"), std::string::npos) << r.texto;
  auto texto = leer(entrada);
  for (const std::string& linea : std::initializer_list<std::string>{
           "\nExec=orvo-suite %U\n", "\nMimeType=x-scheme-handler/orvosuite;\n",
           "\nIcon=orvo-suite\n", "\nStartupNotify=true\n", "\nStartupWMClass=" + suite + "\n"})
    EXPECT_NE(texto.find(linea), std::string::npos) << linea;

  auto metainfo = prefijo / "share/metainfo" / (suite + ".metainfo.xml");
  r = ejecutar("appstreamcli validate --no-net --pedantic '" + metainfo.string() + "' 2>&1");
  EXPECT_EQ(r.estado, 0) << r.texto;
  EXPECT_NE(leer(metainfo).find("<release version=\"" ORVO_VERSION "\""), std::string::npos);
  EXPECT_NE(leer(metainfo).find("<launchable type=\"desktop-id\">" + suite + ".desktop<"),
            std::string::npos);

  for (int lado : {16, 24, 32, 48, 64, 128, 256, 512}) {
    auto lados = std::to_string(lado) + "x" + std::to_string(lado);
    EXPECT_EQ(tamanoPng(prefijo / "share/icons/hicolor" / lados / "apps/orvo-suite.png"),
              std::make_pair(lado, lado))
        << lados;
  }
  EXPECT_TRUE(fs::exists(prefijo / "share/icons/hicolor/scalable/apps/orvo-suite.svg"));
}
