// The shell's reactions to installations: which window shows, and the step 3.2 s after
// the last one ends.
#include <algorithm>

#include "apoyo/bundles_prueba.h"
#include "escena.h"

using namespace orvo;
using namespace orvo::prueba;

namespace {

// An app that does not quit when asked.
const char* kTerca = "#!/bin/sh\ntrap '' TERM\nwhile :; do sleep 1; done\n";

}  // namespace

using Instalaciones = Escena;

TEST_F(Instalaciones, UnaAutomaticaQueEsperaSuAppNoAbreVentanaHastaQueNoCierra) {
  auto bundle = instalarAMano("shuno", "1.0", kTerca);
  ProcesoPrueba abierta(bundle / "Contents/MacOS/shuno");
  ASSERT_TRUE(esperarQue([&] { return espacio->enMarcha(bundleDePrueba("shuno")).size() == 1; }));
  auto uno = empaquetar("shuno", "2.0");
  uno.build = "7";
  publicar({uno});
  arrancar();
  lanzar();
  ASSERT_TRUE(esperar([&] {
    auto i = instalador().enCurso("shuno");
    return i && i->fase == Fase::esperaCierre;
  }));
  EXPECT_TRUE(instalador().todas.at(0)->automatica);
  auto evento = ventanaInstalador().ultimo("instalacion");
  ASSERT_FALSE(evento.is_null());
  EXPECT_EQ(evento, principal().ultimo("instalacion"));
  EXPECT_EQ(evento["instalacion"]["fase"], "esperaCierre");
  EXPECT_EQ(evento["instalaciones"].size(), 1u);
  // On its way it may come forward, never taking the focus; once it waits, it stays away.
  EXPECT_EQ(
      std::count(ventanaInstalador().mostrada.begin(), ventanaInstalador().mostrada.end(), true),
      0);
  ventanaInstalador().ocultar();
  ventanaInstalador().mostrada.clear();
  delegado->estado();
  EXPECT_EQ(principal().ultimo("estado")["listas"],
            (Json::array({{{"id", "shuno"}, {"nombre", "Prueba shuno"}, {"version", "2.0 · 7"}}})));
  EXPECT_EQ(principal().ultimo("estado")["instalacion"]["fase"], "esperaCierre");

  // Asked to quit, still open 20 s later: the installer comes forward without the focus.
  delegado->mensaje({{"accion", "cerrarApp"}, {"id", "shuno"}});
  bucle.avanzar(19);
  EXPECT_TRUE(ventanaInstalador().mostrada.empty());
  bucle.avanzar(1.5);
  EXPECT_EQ(ventanaInstalador().mostrada, std::vector<bool>{false});
}

TEST_F(Instalaciones, TresSegundosDespuesDeLaUltimaSeOcultaYBuscaLaPropia) {
  sistema.bundle = bundleDePrueba("suite");
  instalarAMano("suite", "1.0");
  publicar({empaquetar("shdos", "1.0"), empaquetar("suite", "2.0")});
  arrancar();
  catalogo().cambiarAjustes([](Ajustes& a) { a.instalarAlCerrar = false; });
  lanzar();
  delegado->mensaje({{"accion", "instalar"}, {"id", "shdos"}});
  ASSERT_TRUE(hastaQue([&] { return instalador().todas.at(0)->fase == Fase::lista; }));
  EXPECT_EQ(ventanaInstalador().mostrada, std::vector<bool>{true});
  EXPECT_EQ(principal().ultimo("estado")["instalacion"]["fase"], "lista");
  // It may update itself by then.
  catalogo().cambiarAjustes([](Ajustes& a) { a.instalarAlCerrar = true; });

  bucle.avanzar(3.0);
  EXPECT_EQ(ventanaInstalador().ocultada, 0);
  ASSERT_EQ(instalador().todas.size(), 1u);
  bucle.avanzar(0.3);
  // The finished one is hidden and discarded; the program's own update then starts,
  // and being automatic it comes forward without the focus.
  EXPECT_EQ(ventanaInstalador().ocultada, 1);
  ASSERT_EQ(instalador().todas.size(), 1u);
  EXPECT_TRUE(instalador().todas[0]->propia);
  EXPECT_EQ(ventanaInstalador().mostrada.back(), false);
  instalador().cancelar();
}
