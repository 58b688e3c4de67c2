// The state snapshot and the tray's count and tool tip.
#include "catalogo/conocidas.h"
#include "comun/fechas.h"
#include "escena.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

using Foto = Escena;

TEST_F(Foto, AntesDeRevisarYSinInstalaciones) {
  sistema.version = "3.1";
  arrancar();
  auto f = delegado->foto();
  EXPECT_EQ(f["tipo"], "estado");
  EXPECT_EQ(f["listas"], Json::array());
  EXPECT_EQ(f["instalaciones"], Json::array());
  EXPECT_EQ(f["comps"], Json::array());
  EXPECT_FALSE(f.contains("instalacion"));
  EXPECT_FALSE(f.contains("revisado"));
  EXPECT_EQ(f["errorFuente"], "");
  EXPECT_EQ(f["version"], "3.1");
  EXPECT_EQ(f["fuente"], fuente.string());
  EXPECT_EQ(f["instalarAlCerrar"], true);
  EXPECT_EQ(f["componentes"], Json::object());
  EXPECT_EQ(f["avisar"], Json::object());
  // A local folder: no server, nothing to sign in to, the built-in service offered.
  EXPECT_EQ(f["sesion"]["conServidor"], false);
  EXPECT_EQ(f["sesion"]["necesita"], false);
  EXPECT_EQ(f["sesion"]["servidor"], servicioPorDefecto());
  EXPECT_EQ(f["sesion"]["avisos"], Json::array());

  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
  f = delegado->foto();
  EXPECT_EQ(f["sesion"]["conServidor"], true);
  EXPECT_EQ(f["sesion"]["necesita"], true);
  EXPECT_EQ(f["sesion"]["servidor"], servidor.base());
}

TEST_F(Foto, CuentaLasNuevasYLosAvisosEnLaBandeja) {
  instalarAMano("shuno", "1.0");
  auto dos = instalarAMano("shdos", "1.0");
  publicar({empaquetar("shuno", "2.0"), empaquetar("shdos", "2.0"), empaquetar("shtres", "1.0")});
  arrancar();
  lanzar();
  auto f = principal().ultimo("estado");
  ASSERT_EQ(f["apps"].size(), 3u);
  ASSERT_TRUE(f.contains("revisado"));
  EXPECT_TRUE(leerFecha(f["revisado"].get<std::string>()));
  EXPECT_EQ(bandeja.cuenta, 2);
  EXPECT_EQ(bandeja.ayuda, "Orvo Suite · 2 actualizaciones");

  nucleo->cuenta().avisos.push_back({.id = 4, .titulo = "Hola"});
  delegado->estado();
  EXPECT_EQ(bandeja.cuenta, 3);
  EXPECT_EQ(bandeja.ayuda, "Orvo Suite · 3 actualizaciones");
  EXPECT_EQ(principal().ultimo("estado")["sesion"]["avisos"][0]["titulo"], "Hola");
  EXPECT_EQ(ventanaInstalador().ultimo("estado"), principal().ultimo("estado"));

  nucleo->cuenta().avisos.clear();
  fs::remove_all(dos);
  delegado->estado();
  EXPECT_EQ(bandeja.ayuda, "Orvo Suite · 1 actualización");
  fs::remove_all(apps / "Prueba shuno.app");
  delegado->estado();
  EXPECT_EQ(bandeja.cuenta, 0);
  EXPECT_EQ(bandeja.ayuda, "Orvo Suite");
}
