// Links reach the real skills and components managers (the order within a batch is
// Enlaces.ReglasDeCadaLote's, tests/bandeja), and news of updates and notices reach the
// desktop as one notification per rise.
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

class EnlacesYAvisos : public Escena {
 protected:
  std::string errorDeSkill(const std::string& id) {
    auto errores = nucleo->skills().leer().errores;
    return errores.contains(id) ? errores[id] : "";
  }
  std::string errorDeComponente(const std::string& id) {
    auto& errores = nucleo->componentes().errores;
    return errores.contains(id) ? errores[id] : "";
  }
  NotificacionesFalsas avisos;
};

const std::string kSinSesion = "Inicia sesión en Orvo Suite para instalar skills";
const std::string kNoDisponible = "No está disponible para tu cuenta";

}  // namespace

TEST_F(EnlacesYAvisos, EnlacesAntesYDespuesDelLanzamientoLaCuentaYUnaNotificacionPorSubida) {
  instalarAMano("nvuno", "1.0");
  instalarAMano("nvdos", "1.0");
  publicar({empaquetar("nvuno", "2.0"), empaquetar("nvdos", "2.0"), empaquetar("nvtres", "1.0")});
  preferencias->guardar("yaAbierta", "true");
  Escena::notificaciones = &avisos;
  arrancar();
  delegado->abrirEnlaces({"orvosuite://componente/instalar?id=comp-a",
                          "orvosuite://skill/instalar?id=skill-a&confirmada=1"});
  EXPECT_TRUE(nucleo->componentes().pedidos.empty());
  EXPECT_EQ(errorDeSkill("skill-a"), "");
  lanzar();
  EXPECT_EQ(errorDeSkill("skill-a"), kSinSesion);
  // The component request waited for the first manifest, then ran.
  EXPECT_TRUE(esperar([&] { return errorDeComponente("comp-a") == kNoDisponible; }));

  // After the launch links act at once (ProgramaConVentanas.PrimerArranqueEntraMuestraLas
  // AppsYUnSegundoArranqueLePasaElTurno); the pages' component requests go to the same manager, and
  // a component's change is a new snapshot for the pages.
  auto fotos = principal().cuantos("estado");
  delegado->mensaje({{"accion", "compInstalar"}, {"id", "comp-b"}});
  EXPECT_EQ(errorDeComponente("comp-b"), kNoDisponible);
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
