// App status and the usage report against real bundles and a real running process.
#include "apoyo/nucleo_servidor.h"

namespace orvo::prueba {
namespace {

namespace fs = std::filesystem;

// Name.app whose executable "run" keeps running; OrvoBuild only when given.
fs::path bundle(const fs::path& carpeta, const std::string& nombre, const std::string& id,
                const std::optional<std::string>& version,
                const std::optional<std::string>& build = std::nullopt) {
  std::map<std::string, std::string> claves = {{"CFBundleIdentifier", id},
                                               {"CFBundleExecutable", "run"}};
  if (version) claves["CFBundleShortVersionString"] = *version;
  if (build) claves["OrvoBuild"] = *build;
  return crearBundle(carpeta, nombre, claves);
}

AppRemota remota(const std::string& id, const std::string& bundleId, const std::string& nombre,
                 const std::string& version, std::optional<std::string> build = std::nullopt) {
  return {.id = id,
          .nombre = nombre,
          .bundle = bundleId,
          .app = nombre + ".app",
          .version = version,
          .build = std::move(build),
          .url = id + ".zip"};
}

using Estado = NucleoEnServidor;

TEST_F(Estado, VersionBuildYRutaInstaladasCopiasFueraYBundlesAnteriores) {
  auto video = remota("video", "com.orvo.video", "Orvo Video", "2.0");
  EXPECT_FALSE(catalogo().versionInstalada(video));
  bundle(apps, "Orvo Video", "com.orvo.video", "2.0");
  EXPECT_EQ(catalogo().versionInstalada(video)->version, "2.0");
  EXPECT_FALSE(catalogo().versionInstalada(video)->build);

  // Without OrvoBuild the registry gives the build, only for the same version text.
  catalogo().registro.apps["video"] = Instalada{"2.0", "7", ahoraUtc()};
  EXPECT_EQ(catalogo().versionInstalada(video)->build, "7");
  catalogo().registro.apps["video"] = Instalada{"1.9", "7", ahoraUtc()};
  EXPECT_FALSE(catalogo().versionInstalada(video)->build);
  bundle(apps, "Orvo Video", "com.orvo.video", "2.0", "9");
  EXPECT_EQ(catalogo().versionInstalada(video)->build, "9");

  // A bundle whose Info.plist has no version text still counts as installed.
  bundle(apps, "Orvo Notas", "com.orvo.notas", std::nullopt);
  EXPECT_EQ(
      catalogo().versionInstalada(remota("notas", "com.orvo.notas", "Orvo Notas", "1"))->version,
      "?");

  auto fuera = bundle(t / "Descargas", "Orvo Slides", "com.orvo.slides", "3.0");
  ASSERT_EQ(espacio.registrar(fuera), std::nullopt);
  auto slides = remota("slides", "com.orvo.slides", "Orvo Slides", "3.0");
  EXPECT_FALSE(catalogo().rutaInstalada(slides));

  // Installed under the earlier identifier and another file name: found by identifier.
  auto vieja = bundle(apps, "Presentaciones", "com.orvo.presentaciones", "2.5");
  ASSERT_EQ(espacio.registrar(vieja), std::nullopt);
  EXPECT_EQ(catalogo().rutaInstalada(slides), vieja);
  EXPECT_TRUE(catalogo().hayNueva(slides));

  // A name that would leave the applications folder is no bundle name.
  auto rara = remota("x", "com.orvo.x", "x", "1");
  rara.app = "../Descargas/Orvo Slides.app";
  EXPECT_FALSE(catalogo().rutaInstalada(rara));
}

TEST_F(Estado, CuandoHayUnaVersionNuevaYElEstadoDeCadaApp) {
  using V = std::optional<std::string>;
  // Published version and build, installed version and build, and whether that is news.
  const std::tuple<std::string, V, std::string, V, bool> casos[] = {
      {"2.1", {}, "2.0", {}, true},      {"2.0", {}, "2.1", {}, false},
      {"1.4.0", {}, "1.4", {}, false},   {"1.4", "12", "1.4", "11", true},
      {"1.4", "12", "1.4", "12", false}, {"1.4", "12", "1.4", {}, false},
      {"1.10", "1", "1.9", "5", true},
  };
  for (const auto& [publicada, buildPublicado, instalada, buildInstalado, nueva] : casos) {
    bundle(apps, "Orvo Video", "com.orvo.video", instalada, buildInstalado);
    auto app = remota("video", "com.orvo.video", "Orvo Video", publicada, buildPublicado);
    EXPECT_EQ(catalogo().hayNueva(app), nueva) << publicada << " vs " << instalada;
    fs::remove_all(apps / "Orvo Video.app");
  }

  // The published date against the Info.plist's time decides before the builds do.
  auto ruta = bundle(apps, "Orvo Video", "com.orvo.video", "1.4", "11");
  auto app = remota("video", "com.orvo.video", "Orvo Video", "1.4", "12");
  auto mod = *espacio.modificado(ruta / "Contents/Info.plist");
  app.fecha = textoFecha(mod - std::chrono::minutes(1));
  EXPECT_FALSE(catalogo().hayNueva(app));
  app.fecha = textoFecha(mod + std::chrono::seconds(2));
  EXPECT_FALSE(catalogo().hayNueva(app));
  app.fecha = textoFecha(mod + std::chrono::seconds(3));
  EXPECT_TRUE(catalogo().hayNueva(app));
  // A date that does not parse falls back to the builds.
  app.fecha = "ayer";
  EXPECT_TRUE(catalogo().hayNueva(app));

  // What the pages get per app is worked out the same way; the published fields are only
  // copied.
  catalogo().manifiesto =
      Manifiesto{.apps = {app, remota("notas", "com.orvo.notas", "Orvo Notas", "0.8")}};
  auto estado = catalogo().estadoApps();
  ASSERT_EQ(estado.size(), 2u);
  EXPECT_EQ(std::tie(estado[0]["instalada"], estado[0]["nueva"], estado[0]["verInstalada"]),
            std::make_tuple(true, true, "1.4 · 11"));
  EXPECT_EQ(std::tie(estado[1]["instalada"], estado[1]["nueva"]), std::make_tuple(false, false));
  EXPECT_FALSE(estado[1].contains("verInstalada"));
}

TEST_F(Estado, UnaCopiaEnMarchaDeUnBundleAnteriorCuentaComoAbierta) {
  auto ruta = bundle(t / "Otra", "Video Viejo", "com.orvo.videoeditor", "1.0");
  auto video = remota("video", "com.orvo.video", "Orvo Video", "2.0");
  EXPECT_FALSE(catalogo().abierta(video));
  ProcesoPrueba p(ruta / "Contents/MacOS/run");
  ASSERT_TRUE(bucle.esperarHasta([&] { return catalogo().abierta(video).has_value(); }));
  EXPECT_EQ(catalogo().abierta(video)->bundle, "com.orvo.videoeditor");
  p.matar();
  p.esperar();
  EXPECT_FALSE(catalogo().abierta(video));
}

// The components' and skills' entries are the managers' own, in Banco.PrimeraInstalacion...
// and Skills_.InstalaLoPedido....
TEST_F(Estado, ElReporteCubreLasAppsConocidas) {
  bundle(apps, "Video Editor", "com.orvo.videoeditor", "1.2");
  ASSERT_EQ(espacio.registrar(apps / "Video Editor.app"), std::nullopt);
  bundle(apps, "Orvo Audio", "com.orvo.audio", "3.0", "30");
  bundle(apps, "Orvo Ajena", "com.ajena.app", "9.9");
  catalogo().registro.apps["video"] = Instalada{"1.1", "5", ahoraUtc()};
  EXPECT_EQ(catalogo().reporte()["apps"],
            (Json{{{"id", "video"}, {"version", "1.2"}, {"build", ""}},
                  {{"id", "audio"}, {"version", "3.0"}, {"build", "30"}}}));
}

}  // namespace
}  // namespace orvo::prueba
