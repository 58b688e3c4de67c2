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
  // A local folder: no server, nothing to sign in to, the built-in service offered.
  auto esperada = Json::parse(R"({"tipo":"estado","listas":[],"instalaciones":[],"comps":[],
    "errorFuente":"","version":"3.1","instalarAlCerrar":true,"componentes":{},"avisar":{},
    "sesion":{"conServidor":false,"necesita":false,"avisos":[]}})");
  esperada["fuente"] = fuente.string();
  esperada["sesion"]["servidor"] = servicioPorDefecto();
  auto f = delegado->foto();
  auto sesion = f["sesion"];
  for (const auto& [clave, valor] : esperada["sesion"].items())
    EXPECT_EQ(sesion[clave], valor) << clave;
  esperada.erase("sesion");
  for (const auto& [clave, valor] : esperada.items()) EXPECT_EQ(f[clave], valor) << clave;
  EXPECT_FALSE(f.contains("instalacion") || f.contains("revisado"));

  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
  f = delegado->foto()["sesion"];
  EXPECT_EQ(std::tie(f["conServidor"], f["necesita"], f["servidor"]),
            std::make_tuple(true, true, servidor.base()));
}

TEST_F(Foto, CuentaLasNuevasYLosAvisosEnLaBandeja) {
  instalarAMano("shuno", "1.0");
  auto dos = instalarAMano("shdos", "1.0");
  publicar({empaquetar("shuno", "2.0"), empaquetar("shdos", "2.0"), empaquetar("shtres", "1.0")});
  arrancar();
  lanzar();
  auto f = principal().ultimo("estado");
  ASSERT_EQ(f["apps"].size(), 3u);
  EXPECT_TRUE(leerFecha(f.value("revisado", "")));
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
