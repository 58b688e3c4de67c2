// The launch sequence: windows, tray, the checks, whether the main window shows and the
// test sign-in (the whole program's own run signs in with it too).
#include "comun/archivos.h"
#include "escena.h"

using namespace orvo;
using namespace orvo::prueba;

namespace {

class Lanzamiento : public Escena {
 protected:
  // A server source whose stored session the test server knows.
  void conSesion() {
    servicio.manifiesto("tok",
                        Json{{"formato", "f"}, {"version", 1}, {"apps", Json::array()}}.dump());
    ASSERT_FALSE(escribirAtomico(datos / "sesion.json", Json{{servidor.base(), "tok"}}.dump()));
  }
  bool mostroPrincipal() { return !principal().mostrada.empty(); }
};

}  // namespace

TEST_F(Lanzamiento, CreaVentanasYBandejaYRevisaAlEmpezarYCadaDosMinutos) {
  conSesion();
  arrancar();
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
  lanzar();
  EXPECT_TRUE(pantalla.menu);
  ASSERT_TRUE(bandeja.acciones);
  ASSERT_EQ(pantalla.ventanas.size(), 2u);
  EXPECT_EQ(principal().forma.pagina, "index.html");
  EXPECT_EQ(ventanaInstalador().forma.pagina, "instalador.html");
  // Each window keeps its own frame.
  EXPECT_NE(principal().forma.autoguardado, ventanaInstalador().forma.autoguardado);

  // The first check's change reaches both pages as a snapshot.
  ASSERT_TRUE(esperar([&] { return catalogo().revisado.has_value(); }));
  EXPECT_EQ(servidor.peticionesDe("feed").size(), 1u);
  EXPECT_TRUE(principal().ultimo("estado").contains("revisado"));
  EXPECT_EQ(ventanaInstalador().eventos, principal().eventos);

  bucle.avanzar(119);
  EXPECT_EQ(servidor.peticionesDe("feed").size(), 1u);
  bucle.avanzar(1);
  EXPECT_TRUE(esperar([&] { return servidor.peticionesDe("feed").size() == 2; }));
  bucle.avanzar(120);
  EXPECT_TRUE(esperar([&] { return servidor.peticionesDe("feed").size() == 3; }));

  // A window hidden with the tray's left click comes back with the next one.
  size_t fotos = principal().cuantos("estado");
  principal().foco = true;
  bandeja.acciones->clic();
  EXPECT_FALSE(principal().visible());
  bandeja.acciones->clic();
  EXPECT_TRUE(principal().enFrente());
  EXPECT_EQ(principal().cuantos("estado"), fotos + 1);
}

TEST_F(Lanzamiento, MuestraLaVentanaLaPrimeraVezSinSesionOConOV_ABRIR) {
  // First launch ever: shown, remembered, and the program starts with the session.
  arrancar();
  lanzar();
  EXPECT_EQ(principal().mostrada, std::vector<bool>{true});
  EXPECT_EQ(preferencias.valores["yaAbierta"], "true");
  EXPECT_EQ(preferencias.inicios, 1);

  // Later launches on a local folder stay in the tray...
  arrancar();
  lanzar();
  EXPECT_FALSE(mostroPrincipal());
  // ...unless asked with exactly "1".
  for (const char* valor : {"true", "yes", "01"}) {
    sistema.variables["OV_ABRIR"] = valor;
    arrancar();
    lanzar();
    EXPECT_FALSE(mostroPrincipal()) << valor;
  }
  sistema.variables["OV_ABRIR"] = "1";
  arrancar();
  lanzar();
  EXPECT_TRUE(mostroPrincipal());
  sistema.variables.erase("OV_ABRIR");

  // A server that needs a sign-in shows the window; a known session does not.
  conSesion();
  arrancar();
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
  lanzar();
  EXPECT_FALSE(mostroPrincipal());
  ASSERT_FALSE(escribirAtomico(datos / "sesion.json", "{}"));
  arrancar();
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
  lanzar();
  EXPECT_TRUE(mostroPrincipal());
  EXPECT_EQ(preferencias.inicios, 3);
}

TEST_F(Lanzamiento, OV_PRUEBA_LOGINEntraConTresPiezas) {
  servicio.usuario("ana@orvo.test", "secreta", "tok-ana");
  servicio.manifiesto("tok-ana",
                      Json{{"formato", "f"}, {"version", 1}, {"apps", Json::array()}}.dump());
  auto base = servidor.base();
  auto sinBarra = base.substr(0, base.size() - 1);

  for (const char* valor : {"a|b", "a|b|c|d", ""}) {
    sistema.variables["OV_PRUEBA_LOGIN"] = valor;
    arrancar();
    lanzar();
  }
  bucle.procesar();
  EXPECT_TRUE(servidor.peticionesDe("login").empty());

  // Blanks around the server are trimmed and the closing "/" added; the new source is
  // checked at once.
  sistema.variables["OV_PRUEBA_LOGIN"] = " \t" + sinBarra + "\t|ana@orvo.test|secreta";
  arrancar();
  lanzar();
  ASSERT_TRUE(esperar([&] { return !servidor.peticionesDe("feed").empty(); }));
  EXPECT_EQ(catalogo().ajustes.fuente, base);
  EXPECT_EQ(Json::parse(servidor.peticionesDe("login").at(0).cuerpo)["acepta"], "1.0");

  // An empty middle piece signs in with an empty address; a refusal reaches the page.
  sistema.variables["OV_PRUEBA_LOGIN"] = base + "||mala";
  arrancar();
  lanzar();
  ASSERT_TRUE(esperar([&] { return servidor.peticionesDe("login").size() == 2; }));
  EXPECT_EQ(Json::parse(servidor.peticionesDe("login").at(1).cuerpo)["email"], "");
  ASSERT_TRUE(
      esperar([&] { return principal().ultimo("estado")["sesion"].contains("errorLogin"); }));
  EXPECT_EQ(principal().ultimo("estado")["sesion"]["errorLogin"], "Usuario o clave incorrectos");
}
