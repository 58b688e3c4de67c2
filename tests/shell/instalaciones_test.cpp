// The shell's reactions to an automatic installation: which window shows, and when. The
// step 3.2 s after the last one ends is in Mensajes.InstalarAbrirYLaPropia.
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
  auto evento = ventanaInstalador().ultimo("instalacion");
  ASSERT_FALSE(evento.is_null());
  EXPECT_EQ(evento, principal().ultimo("instalacion"));
  EXPECT_EQ(evento["instalacion"]["fase"], "esperaCierre");
  // On its way it may come forward, never taking the focus; once it waits, it stays away.
  EXPECT_EQ(
      std::count(ventanaInstalador().mostrada.begin(), ventanaInstalador().mostrada.end(), true),
      0);
  ventanaInstalador().ocultar();
  ventanaInstalador().mostrada.clear();
  delegado->estado();
  EXPECT_EQ(principal().ultimo("estado")["listas"],
            (Json::array({{{"id", "shuno"}, {"nombre", "Prueba shuno"}, {"version", "2.0 · 7"}}})));

  // Asked to quit, still open 20 s later: the installer comes forward without the focus.
  delegado->mensaje({{"accion", "cerrarApp"}, {"id", "shuno"}});
  bucle.avanzar(19);
  EXPECT_TRUE(ventanaInstalador().mostrada.empty());
  bucle.avanzar(1.5);
  EXPECT_EQ(ventanaInstalador().mostrada, std::vector<bool>{false});
}
