// Going back and forth through the page messages alone, on real bundles and processes:
// the wait for the open app and its reopening in the old version, the version left kept
// out of install-at-quit, "Actualizar todas" and the count until a newer one is published,
// whose update at quit stays out of sight until the app refuses to quit, and the way
// forward again.
#include "escena.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

using Volver = Escena;

// An app that does not quit when asked.
constexpr const char* kTerca = "#!/bin/sh\ntrap '' TERM\nwhile :; do sleep 1; done\n";

TEST_F(Volver, AtrasConLaAppAbiertaOmitidaHastaUnaNuevaYAdelante) {
  const std::string id = "vuelta";
  auto bundle = instalarAMano(id, "2.0");
  auto claves = clavesDe(bundleDePrueba(id), id);
  crearBundle(datos / "respaldo", "Prueba " + id, claves, kTerca);  // 1.0
  publicar({empaquetar(id, "2.0")});
  arrancar();
  lanzar();
  auto app = [&] {
    delegado->estado();
    return principal().ultimo("estado")["apps"][0];
  };
  // The versions installed and kept.
  auto versiones = [&] {
    auto v = [&](const fs::path& b) {
      return espacio.infoPlist(b)->at("CFBundleShortVersionString");
    };
    return std::pair(v(bundle), v(datos / "respaldo" / bundle.filename()));
  };
  EXPECT_EQ(app()["anterior"], "1.0");

  ProcesoPrueba abierta(bundle / "Contents/MacOS" / id);
  ASSERT_TRUE(
      esperarQue([&] { return catalogo().abierta(catalogo().manifiesto->apps[0]).has_value(); }));
  delegado->mensaje({{"accion", "volver"}, {"id", id}});
  auto inst = instalador().enCurso(id);
  ASSERT_TRUE(inst);
  EXPECT_TRUE(principal().ultimo("estado")["listas"].empty());
  bucle.avanzar(60);  // as long as the app runs
  EXPECT_EQ(std::tie(inst->fase, inst->paso), std::make_tuple(Fase::esperaCierre, 0));
  abierta.matar();
  abierta.esperar();
  ASSERT_TRUE(hastaQue([&] { return inst->fase == Fase::lista; })) << textoFase(inst->fase);
  // The old version runs again; the one left is the backup, skipped and no news.
  EXPECT_TRUE(catalogo().abierta(inst->app));
  EXPECT_EQ(versiones(), (std::pair<std::string, std::string>("1.0", "2.0")));
  auto a = app();
  EXPECT_EQ(std::tie(a["nueva"], a["omitida"], a["anterior"]), std::make_tuple(true, true, "2.0"));
  EXPECT_EQ(bandeja.cuenta, 0);
  delegado->actualizaciones().instalarAlCerrar();
  delegado->mensaje({{"accion", "instalarTodas"}});
  EXPECT_FALSE(instalador().enCurso(id));

  // A newer release ends the skip: the running app gets its update at quit again, out of
  // sight. The installer may come forward on its way, never taking the focus; once the
  // update waits, both pages hear of it and it is listed as ready.
  ventanaInstalador().mostrada.clear();
  publicar({empaquetar(id, "3.0")});
  delegado->mensaje({{"accion", "revisar"}});
  ASSERT_TRUE(esperar([&] {
    auto i = instalador().enCurso(id);
    return i && i->fase == Fase::esperaCierre;
  }));
  EXPECT_TRUE(instalador().enCurso(id)->automatica);
  EXPECT_EQ(ventanaInstalador().ultimo("instalacion"), principal().ultimo("instalacion"));
  auto& mostrada = ventanaInstalador().mostrada;
  EXPECT_EQ(std::count(mostrada.begin(), mostrada.end(), true), 0);
  ventanaInstalador().ocultar();
  mostrada.clear();
  delegado->estado();
  EXPECT_EQ(principal().ultimo("estado")["listas"],
            (Json::array({{{"id", id}, {"nombre", "Prueba " + id}, {"version", "3.0"}}})));
  // The old version does not quit when asked: 20 s later the installer comes forward,
  // without the focus.
  delegado->mensaje({{"accion", "cerrarApp"}, {"id", id}});
  bucle.avanzar(19);
  EXPECT_TRUE(mostrada.empty());
  bucle.avanzar(1.5);
  EXPECT_EQ(mostrada, std::vector<bool>{false});
  delegado->mensaje({{"accion", "cancelar"}, {"id", id}});
  EXPECT_EQ(std::tie(app()["omitida"], bandeja.cuenta), std::make_tuple(false, 1));
  delegado->mensaje({{"accion", "omitir"}, {"id", id}, {"valor", true}});
  EXPECT_EQ(std::tie(app()["omitida"], bandeja.cuenta), std::make_tuple(true, 0));
  delegado->mensaje({{"accion", "omitir"}, {"id", id}, {"valor", false}});
  EXPECT_EQ(app()["omitida"], false);

  // Forward again, with the app closed: it stays closed.
  matarAppsDe(apps);
  ASSERT_TRUE(esperarQue([&] { return !catalogo().abierta(inst->app).has_value(); }));
  delegado->mensaje({{"accion", "volver"}, {"id", id}});
  ASSERT_TRUE(hastaQue([&] { return !instalador().enCurso(id); }));
  EXPECT_EQ(instalador().todas.at(0)->fase, Fase::lista);
  EXPECT_EQ(versiones(), (std::pair<std::string, std::string>("2.0", "1.0")));
  EXPECT_FALSE(catalogo().abierta(inst->app));
}
