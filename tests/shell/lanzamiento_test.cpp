// The launch sequence: windows, tray, the checks, whether the main window shows and the
// test sign-in (the whole program's own run signs in with it too).
#include "comun/archivos.h"
#include "escena.h"

using namespace orvo;
using namespace orvo::prueba;

namespace {

class Lanzamiento : public Escena {
 protected:
  // A new launch, on the test server when asked; whether it showed the main window.
  bool lanzarYVer(bool conServidor = false) {
    arrancar();
    if (conServidor) catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
    lanzar();
    return !principal().mostrada.empty();
  }
};

}  // namespace

// The first launch ever is also the real program's (shown, remembered, started with the
// session), in ProgramaConVentanas.PrimerArranqueEntraMuestraLasAppsYUnSegundoArranque
// LePasaElTurno, which also signs in with OV_PRUEBA_LOGIN.
TEST_F(Lanzamiento, VentanasBandejaRevisionesCuandoSeMuestraLaVentanaYEntradaDePrueba) {
  // A server source whose stored session the test server knows.
  const auto vacio = Json{{"formato", "f"}, {"version", 1}, {"apps", Json::array()}}.dump();
  servicio.manifiesto("tok", vacio);
  servicio.clienteEn(datos, "tok");
  EXPECT_TRUE(lanzarYVer(true));
  EXPECT_TRUE(pantalla.menu);
  ASSERT_TRUE(bandeja.acciones);
  // Which page each window shows: the real windows' (ProgramaConVentanas).
  ASSERT_EQ(pantalla.ventanas.size(), 2u);

  // The first check's change reaches both pages as a snapshot.
  ASSERT_TRUE(esperar([&] { return catalogo().revisado.has_value(); }));
  EXPECT_TRUE(principal().ultimo("estado").contains("revisado"));
  EXPECT_EQ(ventanaInstalador().eventos, principal().eventos);

  bucle.avanzar(119);
  EXPECT_EQ(servidor.peticionesDe("feed").size(), 1u);
  bucle.avanzar(1);
  EXPECT_TRUE(esperar([&] { return servidor.peticionesDe("feed").size() == 2; }));
  bucle.avanzar(120);
  EXPECT_TRUE(esperar([&] { return servidor.peticionesDe("feed").size() == 3; }));

  // A window hidden with the tray's left click comes back with the next one. The click
  // hides it while the program is the one in use, here through the installer window.
  size_t fotos = principal().cuantos("estado");
  principal().foco = false;
  bandeja.acciones->clic();
  EXPECT_TRUE(principal().enFrente()) << "another program had the focus: it comes forward";
  principal().foco = false;
  ventanaInstalador().foco = ventanaInstalador().abierta = true;
  bandeja.acciones->clic();
  EXPECT_FALSE(principal().visible());
  bandeja.acciones->clic();
  EXPECT_TRUE(principal().enFrente());
  EXPECT_EQ(principal().cuantos("estado"), fotos + 2);

  // Later launches on a local folder stay in the tray, unless asked with exactly "1".
  EXPECT_FALSE(lanzarYVer());
  for (const char* valor : {"true", "01", "1"}) {
    sistema.variables["OV_ABRIR"] = valor;
    EXPECT_EQ(lanzarYVer(), valor == std::string("1")) << valor;
  }
  sistema.variables.erase("OV_ABRIR");

  // A server that needs a sign-in shows the window; a known session does not.
  EXPECT_FALSE(lanzarYVer(true));
  ASSERT_FALSE(escribirAtomico(datos / "sesion.json", "{}"));
  EXPECT_TRUE(lanzarYVer(true));

  // The test sign-in, as the page's: blanks around the server are trimmed and the closing
  // "/" added; the new source is checked at once.
  servicio.usuario("ana@orvo.test", "secreta", "tok-ana");
  servicio.manifiesto("tok-ana", vacio);
  auto base = servidor.base();
  sistema.variables["OV_PRUEBA_LOGIN"] =
      " \t" + base.substr(0, base.size() - 1) + "\t|ana@orvo.test|secreta";
  lanzarYVer();
  ASSERT_TRUE(esperar([&] {
    auto feeds = servidor.peticionesDe("feed");
    return !feeds.empty() && feeds.back().cabecera("X-Orvo-Token") == "tok-ana";
  }));
  EXPECT_EQ(catalogo().ajustes.fuente, base);
}
