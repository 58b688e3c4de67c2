// Going back and forth through the page messages alone, on real bundles and processes:
// the wait for the open app and its reopening in the old version, the version left kept
// out of install-at-quit, "Actualizar todas" and the count until a newer one is published,
// and the way forward again.
#include "escena.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

using Volver = Escena;

TEST_F(Volver, AtrasConLaAppAbiertaOmitidaHastaUnaNuevaYAdelante) {
  const std::string id = "vuelta";
  auto bundle = instalarAMano(id, "2.0");
  auto claves = clavesDe(bundleDePrueba(id), id);
  crearBundle(datos / "respaldo", "Prueba " + id, claves);  // 1.0
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
      return espacio->infoPlist(b)->at("CFBundleShortVersionString");
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
  EXPECT_EQ(inst->fase, Fase::esperaCierre);
  EXPECT_EQ(inst->pasos, (std::vector<std::string>{"Esperar que cierres Prueba " + id,
                                                   "Volver a la versión anterior",
                                                   "Registrar en Linux", "Abrir Prueba " + id}));
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

  // A newer release ends the skip: the running app gets its update at quit again.
  publicar({empaquetar(id, "3.0")});
  delegado->mensaje({{"accion", "revisar"}});
  ASSERT_TRUE(esperar([&] { return instalador().enCurso(id) != nullptr; }));
  EXPECT_TRUE(instalador().enCurso(id)->automatica);
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
