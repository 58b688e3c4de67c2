// The launch sequence: windows, tray, the checks and whether the main window shows (the test
// sign-in is the whole program's own run's, and its trimming the account's). Links reach the real
// skills and components managers (the order within a batch is Enlaces.ReglasDeCadaLote's,
// tests/bandeja), and news of updates and notices reach the desktop as one notification
// per rise.
#include "comun/archivos.h"
#include "escena.h"

using namespace orvo;
using namespace orvo::prueba;

namespace {

class NotificacionesFalsas : public Notificaciones {
 public:
  std::optional<Acciones> acciones;
  std::vector<std::string> titulos;
  void preparar(Acciones a) override { acciones = std::move(a); }
  void mostrar(const std::string& titulo, const std::string&, bool) override {
    titulos.push_back(titulo);
  }
};

class Lanzamiento : public Escena {
 protected:
  // A new launch, on the test server when asked; whether it showed the main window.
  bool lanzarYVer(bool conServidor = false) {
    arrancar();
    if (conServidor) catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
    lanzar();
    return !principal().mostrada.empty();
  }
  NotificacionesFalsas avisos;
};

const std::string kSinSesion = "Inicia sesión en Orvo Suite para instalar skills";
const std::string kNoDisponible = "No está disponible para tu cuenta";

}  // namespace

// The first launch ever is also the real program's (shown, remembered, started with the
// session), in ProgramaConVentanas.PrimerArranqueEntraMuestraLasAppsYUnSegundoArranque
// LePasaElTurno, which also signs in with OV_PRUEBA_LOGIN.
TEST_F(Lanzamiento, VentanasBandejaRevisionesYCuandoSeMuestraLaVentana) {
  // A server source whose stored session the test server knows.
  servicio.manifiesto("tok",
                      Json{{"formato", "f"}, {"version", 1}, {"apps", Json::array()}}.dump());
  servicio.clienteEn(datos, "tok");
  EXPECT_TRUE(lanzarYVer(true));
  EXPECT_TRUE(pantalla.menu);
  ASSERT_TRUE(bandeja.acciones);

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
}

TEST_F(Lanzamiento, EnlacesAntesYDespuesDelLanzamientoLaCuentaYUnaNotificacionPorSubida) {
  instalarAMano("nvuno", "1.0");
  instalarAMano("nvdos", "1.0");
  publicar({empaquetar("nvuno", "2.0"), empaquetar("nvdos", "2.0"), empaquetar("nvtres", "1.0")});
  preferencias->guardar("yaAbierta", "true");
  Escena::notificaciones = &avisos;
  arrancar();
  delegado->abrirEnlaces({"orvosuite://componente/instalar?id=comp-a",
                          "orvosuite://skill/instalar?id=skill-a&confirmada=1"});
  EXPECT_TRUE(nucleo->componentes().pedidos.empty());
  EXPECT_EQ(nucleo->skills().leer().errores["skill-a"], "");
  lanzar();
  EXPECT_EQ(nucleo->skills().leer().errores["skill-a"], kSinSesion);
  // The component request waited for the first manifest, then ran.
  EXPECT_TRUE(esperar([&] { return nucleo->componentes().errores["comp-a"] == kNoDisponible; }));

  // After the launch links act at once (ProgramaConVentanas.PrimerArranqueEntraMuestraLas
  // AppsYUnSegundoArranqueLePasaElTurno); the pages' component requests go to the same manager, and
  // a component's change is a new snapshot for the pages.
  auto fotos = principal().cuantos("estado");
  delegado->mensaje({{"accion", "compInstalar"}, {"id", "comp-b"}});
  EXPECT_EQ(nucleo->componentes().errores["comp-b"], kNoDisponible);
  EXPECT_EQ(principal().cuantos("estado"), fotos + 1);

  // The tray's count and tool tip, and the desktop notification, from the same news.
  ASSERT_FALSE(principal().visible());
  EXPECT_EQ(std::tie(bandeja.cuenta, bandeja.ayuda),
            std::make_tuple(2, "Orvo Suite · 2 actualizaciones"));
  EXPECT_EQ(avisos.titulos, std::vector<std::string>{"Hay 2 actualizaciones de Orvo"});

  // Its default action shows the main window; news seen there are no notification (when a
  // rise is news is NotificacionesDbus.UnaPorSubidaQueReemplazaLaAnteriorYSusAcciones').
  ASSERT_TRUE(avisos.acciones);
  avisos.acciones->abrir();
  EXPECT_TRUE(principal().enFrente());
  nucleo->cuenta().avisos.push_back({.id = 1, .titulo = "Hola"});
  delegado->estado();
  EXPECT_EQ(bandeja.cuenta, 3);
  EXPECT_EQ(avisos.titulos.size(), 1u);

  // "Actualizar todo" starts the update of the installed apps.
  avisos.acciones->actualizarTodo();
  ASSERT_EQ(instalador().todas.size(), 2u);
  EXPECT_EQ(instalador().todas[1]->app.id, "nvdos");
  EXPECT_TRUE(hastaQue([&] { return !instalador().todas[1]->activa(); }));
}
