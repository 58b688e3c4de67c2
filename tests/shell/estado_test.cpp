// The state snapshot's session keys, what it leaves out before a check, and the tray's
// count and tool tip. The apps' objects are read from real snapshots in volver_test.cpp;
// the whole snapshot reaches a real page in tests/ventana.
#include "catalogo/conocidas.h"
#include "escena.h"

using namespace orvo;
using namespace orvo::prueba;

using Foto = Escena;

TEST_F(Foto, AntesDeRevisarEnUnaCarpetaYEnUnServidor) {
  arrancar();
  // A local folder: no server, nothing to sign in to, the built-in service offered.
  auto f = delegado->foto();
  EXPECT_FALSE(f.contains("instalacion") || f.contains("revisado"));
  EXPECT_EQ(std::tie(f["listas"], f["instalaciones"], f["errorFuente"]),
            std::make_tuple(Json::array(), Json::array(), ""));
  auto s = f["sesion"];
  EXPECT_EQ(std::tie(s["conServidor"], s["necesita"], s["servidor"]),
            std::make_tuple(false, false, servicioPorDefecto()));
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
  s = delegado->foto()["sesion"];
  EXPECT_EQ(std::tie(s["conServidor"], s["necesita"], s["servidor"]),
            std::make_tuple(true, true, servidor.base()));
}

TEST_F(Foto, CuentaLasNuevasYLosAvisosEnLaBandeja) {
  instalarAMano("shuno", "1.0");
  instalarAMano("shdos", "1.0");
  publicar({empaquetar("shuno", "2.0"), empaquetar("shdos", "2.0"), empaquetar("shtres", "1.0")});
  arrancar();
  lanzar();
  EXPECT_EQ(bandeja.cuenta, 2);
  EXPECT_EQ(bandeja.ayuda, "Orvo Suite · 2 actualizaciones");
  nucleo->cuenta().avisos.push_back({.id = 4, .titulo = "Hola"});
  delegado->estado();
  EXPECT_EQ(bandeja.cuenta, 3);
  EXPECT_EQ(AppDelegate::ayuda(1), "Orvo Suite · 1 actualización");
  EXPECT_EQ(AppDelegate::ayuda(0), "Orvo Suite");
}
