// `cmake --install` of this very build into a scratch root: the bundle the program reads
// itself from, the launcher, the desktop entry, the icons and the metainfo, each checked by
// the tools a distribution checks them with. Then that installed program updates itself in
// place: moved to a scratch /opt outside the applications folder, it finds a newer build of
// itself on the test server, swaps it in, ends, and the newer build starts in its place and
// says so in its next feed request.
#include <gtest/gtest.h>

#include <fstream>

#include "apoyo/bundles_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"
#include "apoyo/servicio_prueba.h"
#include "catalogo/conocidas.h"
#include "catalogo/registros.h"
#include "comun/archivos.h"
#include "comun/sha256.h"
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

TEST(Paquete, DejaUnCiudadanoDelEscritorioQueSeReemplazaYVuelveMasNuevo) {
  CarpetaTemporal t;
  auto raiz = t / "raiz";
  auto r = ejecutar("DESTDIR='" + raiz.string() +
                    "' '" ORVO_CMAKE "' --install '" ORVO_CONSTRUCCION "' 2>&1");
  ASSERT_EQ(r.estado, 0) << r.texto;
  auto bundle = raiz / fs::path(ORVO_BUNDLE).relative_path();
  auto prefijo = raiz / fs::path(ORVO_PREFIJO).relative_path();
  auto exe = bundle / "Contents/MacOS/orvo-suite";

  AppRemota suite{
      .id = "suite", .nombre = "Orvo Suite", .app = "Orvo Suite.app", .version = "99.0"};
  for (const auto& a : appsConocidas())
    if (a.id == "suite") suite.bundle = a.bundle;
  auto info = leerInfoPlist(bundle / "Contents/Info.plist");
  ASSERT_TRUE(info);
  EXPECT_EQ((*info)["CFBundleIdentifier"], suite.bundle);
  EXPECT_EQ((*info)["CFBundleExecutable"], "orvo-suite");
  // The windows' WebKit part, which the program loads from beside itself.
  EXPECT_TRUE(fs::is_regular_file(bundle / "Contents/MacOS/orvo-suite-web.so"));
  // What the running program makes of it.
  SistemaLinux sistema(exe);
  EXPECT_EQ(sistema.bundlePropio(), suite.bundle);

  EXPECT_EQ(fs::read_symlink(prefijo / "bin/orvo-suite"),
            fs::path(ORVO_BUNDLE) / "Contents/MacOS/orvo-suite");
  EXPECT_EQ(fs::exists(fs::path(ORVO_FUENTES) / "web"),
            fs::is_directory(bundle / "Contents/Resources/web"));

  // Named after the application id, which is the bundle's identifier too.
  auto entrada = prefijo / "share/applications" / (suite.bundle + ".desktop");
  r = ejecutar("desktop-file-validate '" + entrada.string() + "' 2>&1");
  EXPECT_EQ(r.estado, 0) << r.texto;
  EXPECT_EQ(r.texto.find("error"), std::string::npos) << r.texto;
  auto texto = leer(entrada);
  for (const std::string& linea : std::initializer_list<std::string>{
           "\nExec=orvo-suite %U\n", "\nMimeType=x-scheme-handler/orvosuite;\n",
           "\nIcon=orvo-suite\n", "\nStartupNotify=true\n",
           "\nStartupWMClass=" + suite.bundle + "\n"})
    EXPECT_NE(texto.find(linea), std::string::npos) << linea;

  auto metainfo = prefijo / "share/metainfo" / (suite.bundle + ".metainfo.xml");
  r = ejecutar("appstreamcli validate --no-net --pedantic '" + metainfo.string() + "' 2>&1");
  EXPECT_EQ(r.estado, 0) << r.texto;
  EXPECT_NE(leer(metainfo).find("<release version=\"" ORVO_VERSION "\""), std::string::npos);
  EXPECT_NE(leer(metainfo).find("<launchable type=\"desktop-id\">" + suite.bundle + ".desktop<"),
            std::string::npos);

  for (int lado : {16, 24, 32, 48, 64, 128, 256, 512}) {
    auto lados = std::to_string(lado) + "x" + std::to_string(lado);
    EXPECT_EQ(tamanoPng(prefijo / "share/icons/hicolor" / lados / "apps/orvo-suite.png"),
              std::make_pair(lado, lado))
        << lados;
  }
  EXPECT_TRUE(fs::exists(prefijo / "share/icons/hicolor/scalable/apps/orvo-suite.svg"));

  // The self-update. The newer build: the same program, a later version in its Info.plist.
  auto instalado = t / "opt/Orvo Suite.app";
  fs::create_directories(t / "opt");
  fs::create_directories(t / "apps");
  fs::rename(bundle, instalado);
  auto nuevo = t / "obra/Orvo Suite.app";
  fs::create_directories(nuevo.parent_path());
  fs::copy(instalado, nuevo, fs::copy_options::recursive);
  auto plist = leer(nuevo / "Contents/Info.plist");
  for (size_t i; (i = plist.find(">" ORVO_VERSION "<")) != std::string::npos;)
    plist.replace(i, sizeof(ORVO_VERSION) + 1, ">99.0<");
  t.escribir("obra/Orvo Suite.app/Contents/Info.plist", plist);
  auto zip = t / "suite.zip";
  ASSERT_EQ(ejecutar("cd '" + (t / "obra").string() + "' && zip -qry '" + zip.string() +
                     "' 'Orvo Suite.app'")
                .estado,
            0);
  suite.url = "suite.zip";
  suite.tam = static_cast<int64_t>(fs::file_size(zip));
  suite.sha256 = sha256(zip);

  ServidorPrueba servidor;
  ServicioPrueba servicio(servidor);
  servidor.publicar("/suite.zip", {.datos = *leerArchivo(zip)});
  // The first feed offers the update; the program that comes back gets a list without it,
  // so its own test-install run ends there.
  servidor.alAccion("feed", [&](const PeticionRecibida&) {
    bool primera = servidor.peticionesDe("feed").size() <= 1;
    Json apps = primera ? Json::array({suite.aJson()}) : Json::array();
    return RespuestaPrueba{
        200, Json{{"formato", "orvo-suite/1"}, {"version", 1}, {"apps", apps}}.dump()};
  });
  servicio.clienteEn(t / "datos", "tok");
  fs::create_directories(t / "tmp");

  r = ejecutar("HOME=" + (t / "casa").string() + " XDG_DATA_HOME=" + (t / "xdg").string() +
               " TMPDIR=" + (t / "tmp").string() + " OV_DATOS=" + (t / "datos").string() +
               " OV_DESTINO=" + (t / "apps").string() + " OV_PRUEBA_INSTALAR=suite '" +
               (instalado / "Contents/MacOS/orvo-suite").string() + "' 2>&1");
  EXPECT_EQ(r.estado, 0) << r.texto;
  EXPECT_NE(r.texto.find("Orvo Suite 99.0: instalada " ORVO_VERSION ", hay una nueva"),
            std::string::npos)
      << r.texto;

  esperarQue([&] { return servidor.peticionesDe("feed").size() >= 2; }, 30);
  auto feeds = servidor.peticionesDe("feed");
  ASSERT_EQ(feeds.size(), 2u) << r.texto;
  EXPECT_EQ(Json::parse(feeds[0].cuerpo).value("suite", ""), ORVO_VERSION);
  EXPECT_EQ(Json::parse(feeds[1].cuerpo).value("suite", ""), "99.0");
  EXPECT_NE(leer(instalado / "Contents/Info.plist").find(">99.0<"), std::string::npos);
  EXPECT_TRUE(fs::exists(t / "datos/respaldo/Orvo Suite.app/Contents/MacOS/orvo-suite"));
  // Replaced where it runs, not copied beside the user's apps, and not listed twice in the
  // menus (its installation brought its entry).
  EXPECT_TRUE(fs::is_empty(t / "apps"));
  EXPECT_FALSE(fs::exists(t / "xdg/applications") && !fs::is_empty(t / "xdg/applications"));
  matarAppsDe(t / "opt");
}
