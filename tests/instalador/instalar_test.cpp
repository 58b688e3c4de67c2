// Whole installations through the real download session, real zips, real bundles and
// real processes: an update whose connection breaks and that waits for
// its app and for what still runs from it, an opening refused and then failing and the
// way back from it, and inputs that must touch nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "banco.h"
#include "comun/archivos.h"
#include "plataforma/linux/info_plist.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

std::string versionDe(const fs::path& bundle) {
  return leerInfoPlist(bundle / "Contents/Info.plist")
      .value_or(std::map<std::string, std::string>{})["CFBundleShortVersionString"];
}

using Instalar = Banco;

}  // namespace

// The update's download, cut twice, goes on each time from where it stopped, naming the
// version it continues (the digest check after it would catch a spliced file). Then it
// waits, at no cost, while the app runs; then up to 15 s for a helper that still runs from
// inside the bundle.
TEST_F(Instalar, ActualizarTrasDosCortesEsperaALaAppYHasta15SegundosASusProcesos) {
  auto vieja = instalarAMano("tres", "1.0");
  auto ayudante = vieja / "Contents/Helpers/ayudante";
  fs::create_directories(ayudante.parent_path());
  std::ofstream(ayudante) << kScriptQueEspera;
  fs::permissions(ayudante, fs::perms(0755));
  auto app = empaquetar("tres", "2.0", kScriptQueEspera, true, 3'000'000);
  servidor.publicar("/tres.zip", {.datos = *leerArchivo(carpeta / "tres.zip"),
                                  .cortarTras = 1'000'000,
                                  .cortesRestantes = 2,
                                  .etag = "\"e\""});
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
  {
    ProcesoPrueba abierta(vieja / "Contents/MacOS/tres");
    ProcesoPrueba resto(ayudante);
    ASSERT_TRUE(esperarQue([&] { return catalogo().abierta(app).has_value(); }));
    instalador().comenzar(app, false);
    ASSERT_TRUE(esperarFin("tres", 20, Fase::esperaCierre));
    // That it waits as long as the app runs: Volver.AtrasConLaAppAbierta... (the same wait).
    abierta.matar();
    abierta.esperar();
    for (int i = 0; i < 28; ++i) bucle.avanzar(0.5);
    EXPECT_EQ(instalador().enCurso("tres")->fase, Fase::esperaCierre);
    for (int i = 0; i < 6; ++i) bucle.avanzar(0.5);
    EXPECT_NE(log().find("Prueba tres: quedan procesos tras 15 s; se instala igual"),
              std::string::npos);
  }
  ASSERT_TRUE(esperarFin("tres"));
  EXPECT_EQ(lineas.back(), "lista · paso 7/6 fin 100% ");
  EXPECT_EQ(terminadas, 1);
  EXPECT_EQ(versionDe(apps / "Prueba tres.app"), "2.0");
  EXPECT_EQ(versionDe(datos / "respaldo/Prueba tres.app"), "1.0");
  std::vector<std::string> rangos;
  for (const auto& p : servidor.peticiones()) rangos.push_back(p.cabecera("Range"));
  EXPECT_EQ(rangos, (std::vector<std::string>{"", "bytes=1000000-", "bytes=2000000-"}));
  EXPECT_EQ(servidor.peticiones()[2].cabecera("If-Range"), "\"e\"");
}

// An update whose opening fails: refused (no execute bit) until allowed, then closing by
// itself at every one of three openings. It ends `lista` flagged, and the version it
// replaced comes back, while the one left is kept and skipped. The swap itself, its record
// and a damaged backup are the real program's, in Vuelta.MatarEnCadaPaso....
TEST_F(Instalar, UnaVersionQueNoQuedaAbiertaSeMarcaYSeVuelveALaAnterior) {
  const std::string id = "cuatro";
  instalarAMano(id, "1.0");
  auto app = empaquetar(id, "2.0", "#!/bin/sh\nexit 0\n", false);
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = carpeta.string(); });
  instalador().comenzar(app, false);
  ASSERT_TRUE(esperarFin(id, 20, Fase::autorizar));
  auto inst = instalador().enCurso(id);
  EXPECT_EQ(inst->pasos.at(4), "Autorizar en Linux");
  EXPECT_EQ(inst->paso, 4);
  instalador().autorizada();
  EXPECT_EQ(inst->fase, Fase::autorizar);
  EXPECT_EQ(std::count(inst->pasos.begin(), inst->pasos.end(), "Autorizar en Linux"), 1);
  // The user fixes it and says so.
  auto bundle = apps / app.app;
  fs::permissions(bundle / "Contents/MacOS" / id, fs::perms(0755));
  instalador().autorizada();
  ASSERT_TRUE(esperarFin(id, 40));
  EXPECT_EQ(inst->fase, Fase::lista);
  EXPECT_EQ(inst->json()["noQuedoAbierta"], true);
  EXPECT_NE(log().find("no quedó abierta tras 3 intentos"), std::string::npos);

  ASSERT_EQ(catalogo().anterior(app)->version, "1.0");
  lineas.clear();
  instalador().volver(app);
  ASSERT_TRUE(esperarFin(id));
  EXPECT_EQ(lineas,
            (std::vector<std::string>{"corriendo · paso 1/2 Volver a la versión anterior 0% ",
                                      "corriendo · paso 2/2 Registrar en Linux 0% ",
                                      "lista · paso 3/2 fin 100% "}));
  EXPECT_EQ(catalogo().registro.anteriores.at(id).version, "2.0");
  EXPECT_EQ(catalogo().ajustes.omitidas.at(id), "2.0");

  // The program's own entry goes back the same way and restarts as after its own update.
  sistema.bundle = app.bundle;
  bool termina = false;
  instalador().terminarPrograma = [&] { termina = true; };
  instalador().volver(app);
  EXPECT_EQ(instalador().todas.back()->pasos,
            (std::vector<std::string>{"Volver a la versión anterior", "Abrir Prueba cuatro"}));
  for (int i = 0; i < 100 && !termina; ++i)
    bucle.esperarHasta([&] { return termina; }, 0.05), bucle.avanzar(0.1);
  EXPECT_TRUE(termina);
  instalador().cancelar(id);  // the process would have ended with it under way
  EXPECT_EQ(versionDe(bundle), "2.0");
}

TEST_F(Instalar, EntradasMalasFallanSinTocarNada) {
  auto buena = empaquetar("cinco", "1.0");
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = carpeta.string(); });
  auto fallo = [&](AppRemota app) {
    instalador().comenzar(app, false);
    EXPECT_TRUE(esperarFin(app.id));
    auto i = instalador().todas.back();
    EXPECT_EQ(i->fase, Fase::error);
    return i->error.value_or("");
  };
  auto a = buena;
  a.app = "../Fuera.app";
  EXPECT_EQ(fallo(a),
            "El catálogo no da un nombre de app válido (\"../Fuera.app\"). No instalé nada.");
  a = buena;
  a.sha256 = std::string(64, 'a');
  EXPECT_EQ(fallo(a),
            "La descarga no coincide con la publicada (la huella es distinta). No instalé nada.");
  // A missing local archive is the real binary's, in PruebaInstalar.DesdeUnaCarpetaLocal.
  a = buena;
  servidor.publicar("/no-zip.zip", {.datos = "esto no es un zip"});
  catalogo().cambiarAjustes([&](Ajustes& x) { x.fuente = servidor.base(); });
  a.url = "no-zip.zip";
  a.sha256.reset();
  EXPECT_EQ(fallo(a), "El zip no trae Prueba cinco.app");
  a.url = "otra.zip";
  EXPECT_EQ(fallo(a), "La fuente respondió 404 al descargar");

  EXPECT_TRUE(fs::is_empty(apps));
  EXPECT_FALSE(fs::exists(t / "Fuera.app"));
  EXPECT_EQ(terminadas, 0);
}
