// The pages' messages: each action with its parameter rules.
#include "comun/archivos.h"
#include "escena.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

class Mensajes : public Escena {
 protected:
  void SetUp() override {
    arrancar();
    lanzar();
  }
  Json ajustes() { return Json::parse(leerArchivo(datos / "ajustes.json").value_or("null")); }
  // Waits until the installation of `id` is no longer active.
  bool terminada(const std::string& id) {
    return hastaQue([&] { return !instalador().todas.empty() && !instalador().enCurso(id); });
  }
};

}  // namespace

TEST_F(Mensajes, AjustesConSusValoresPorDefectoAvisosLeidosVentanasYEnlaces) {
  size_t fotos = principal().cuantos("estado");
  delegado->mensaje({{"accion", "instalarAlCerrar"}, {"valor", false}});
  EXPECT_EQ(ajustes()["instalarAlCerrar"], false);
  delegado->mensaje({{"accion", "instalarAlCerrar"}, {"valor", "no"}});  // wrong type: absent
  EXPECT_EQ(ajustes()["instalarAlCerrar"], true);
  delegado->mensaje({{"accion", "componente"}, {"repo", "orvo/voces"}, {"valor", false}});
  delegado->mensaje({{"accion", "componente"}, {"repo", "orvo/filtros"}});
  delegado->mensaje({{"accion", "componente"}, {"valor", true}});
  EXPECT_EQ(ajustes()["componentes"], (Json{{"orvo/voces", false}, {"orvo/filtros", true}}));
  delegado->mensaje({{"accion", "avisar"}, {"id", "video"}, {"valor", false}});
  delegado->mensaje({{"accion", "avisar"}});
  EXPECT_EQ(ajustes()["avisar"], (Json{{"video", true}}));
  // Each change is a snapshot, and none starts a check.
  EXPECT_EQ(principal().cuantos("estado"), fotos + 5);

  // The source is stored exactly as sent, then checked; "" and non-text are ignored.
  delegado->mensaje({{"accion", "fuente"}, {"valor", ""}});
  delegado->mensaje({{"accion", "fuente"}, {"valor", 7}});
  EXPECT_EQ(ajustes()["fuente"], fuente.string());
  delegado->mensaje({{"accion", "fuente"}, {"valor", "  " + (t / "otra").string() + " "}});
  EXPECT_EQ(ajustes()["fuente"], "  " + (t / "otra").string() + " ");
  ASSERT_TRUE(esperar([&] { return catalogo().errorFuente.has_value(); }));

  // The chosen folder becomes the source; a cancelled chooser changes nothing.
  pantalla.carpeta = fuente;
  delegado->mensaje({{"accion", "elegirCarpeta"}});
  EXPECT_EQ(ajustes()["fuente"], fuente.string());
  ASSERT_TRUE(esperar([&] { return !catalogo().errorFuente; }));
  pantalla.carpeta.reset();
  delegado->mensaje({{"accion", "elegirCarpeta"}});
  EXPECT_EQ(ajustes()["fuente"], fuente.string());

  // Notices read: only a list of numbers counts.
  nucleo->cuenta().avisos = {{.id = 1, .titulo = "a"}, {.id = 2, .titulo = "b"}};
  delegado->mensaje({{"accion", "leido"}, {"avisos", {"1"}}});
  delegado->mensaje({{"accion", "leido"}, {"avisos", 1}});
  EXPECT_EQ(nucleo->cuenta().avisos.size(), 2u);
  fotos = principal().cuantos("estado");
  delegado->mensaje({{"accion", "leido"}, {"avisos", {1}}});
  ASSERT_EQ(nucleo->cuenta().avisos.size(), 1u);
  EXPECT_EQ(principal().cuantos("estado"), fotos + 1);

  // Cancelling hides the installer even with nothing to cancel, and sends a snapshot.
  delegado->mensaje({{"accion", "verInstalador"}});
  ASSERT_TRUE(ventanaInstalador().enFrente());
  delegado->mensaje({{"accion", "cancelar"}});
  EXPECT_FALSE(ventanaInstalador().visible());
  EXPECT_EQ(principal().cuantos("estado"), fotos + 2);

  for (const char* url :
       {"https://orvo.example/ayuda", "mailto:ayuda@orvo.example", "file:///etc/passwd",
        "orvosuite://skill/quitar?id=x", "no es una url", "/relativa"})
    delegado->mensaje({{"accion", "enlace"}, {"url", url}});
  delegado->mensaje({{"accion", "enlace"}, {"url", 3}});
  EXPECT_EQ(pantalla.enlaces,
            (std::vector<std::string>{"https://orvo.example/ayuda", "mailto:ayuda@orvo.example"}));

  // Nothing for unknown or malformed actions.
  size_t eventos = principal().eventos.size();
  delegado->mensaje({{"accion", "Estado"}});
  delegado->mensaje({{"accion", 1}});
  delegado->mensaje(Json::array({"estado"}));
  EXPECT_EQ(principal().eventos.size(), eventos);
}

// What starts by itself waits for a connection without a data limit and the end of power
// saving, and says why; what the user asks for (installing, opening) runs; the end of the
// wait starts the running app's update, and the program's own follows the last installation.
TEST_F(Mensajes, LoPedidoAManoCorreLoAutomaticoEsperaRedSinLimiteYFinDelAhorro) {
  sistema.bundle = bundleDePrueba("suite");
  auto bundle = instalarAMano("shcond", "1.0");
  instalarAMano("suite", "1.0");
  auto uno = empaquetar("shuno", "1.0");
  publicar({uno, empaquetar("shcond", "2.0"), empaquetar("suite", "2.0")});
  ProcesoPrueba abierta(bundle / "Contents/MacOS/shcond");
  ASSERT_TRUE(esperarQue([&] { return espacio.enMarcha(bundleDePrueba("shcond")).size() == 1; }));
  condiciones.limitada = true;
  delegado->mensaje({{"accion", "revisar"}});
  ASSERT_TRUE(
      esperar([&] { return catalogo().manifiesto && catalogo().manifiesto->apps.size() == 3; }));
  bucle.procesar();
  EXPECT_TRUE(instalador().todas.empty());
  auto foto = [&] { return principal().ultimo("estado"); };
  EXPECT_EQ(foto()["espera"], "Esperando una red sin límite de datos");
  EXPECT_EQ(foto()["esperan"], Json({"shcond", "suite"}));
  // Power saving holds them too (the next step finds nothing started).
  condiciones.poner(false, true);
  EXPECT_EQ(foto()["espera"], "Esperando a que termine el ahorro de energía");
  // The program's own entry is its self-update, off while installing at quit is off.
  catalogo().cambiarAjustes([](Ajustes& a) { a.instalarAlCerrar = false; });
  delegado->mensaje({{"accion", "instalar"}, {"id", "suite"}});
  EXPECT_TRUE(instalador().todas.empty());

  // Opening: nothing for an app that is not installed; an installed one starts.
  delegado->mensaje({{"accion", "abrir"}, {"id", "shuno"}});
  EXPECT_TRUE(espacio.enMarcha(bundleDePrueba("shuno")).empty());
  delegado->mensaje({{"accion", "instalar"}, {"id", "shuno"}});
  ASSERT_TRUE(terminada("shuno"));
  EXPECT_EQ(instalador().todas.at(0)->fase, Fase::lista);
  // No app: not even the discard of the finished one.
  delegado->mensaje({{"accion", "instalar"}});
  delegado->mensaje({{"accion", "instalar"}, {"id", "nadie"}});
  EXPECT_EQ(instalador().todas.size(), 1u);
  matarAppsDe(apps / uno.app);
  ASSERT_TRUE(esperarQue([&] { return espacio.enMarcha(bundleDePrueba("shuno")).empty(); }));
  delegado->mensaje({{"accion", "abrir"}, {"id", "shuno"}});
  EXPECT_TRUE(esperarQue([&] { return espacio.enMarcha(bundleDePrueba("shuno")).size() == 1; }));
  // A running copy is not started twice; it comes forward when the display can do that.
  delegado->mensaje({{"accion", "abrir"}, {"id", "shuno"}});
  EXPECT_EQ(espacio.enMarcha(bundleDePrueba("shuno")).size(), 1u);
  std::vector<pid_t> alzadas;
  espacio.usarEscritorio({.alzar = [&](pid_t p) { return alzadas.push_back(p), true; }});
  delegado->mensaje({{"accion", "abrir"}, {"id", "shuno"}});
  EXPECT_EQ(alzadas, std::vector{espacio.enMarcha(bundleDePrueba("shuno")).at(0).pid});

  // 3.2 s after the last installation ends the installer hides and the finished ones go;
  // the program's own update, allowed by now, still waits for the end of power saving.
  EXPECT_EQ(ventanaInstalador().mostrada, std::vector<bool>{true});
  catalogo().cambiarAjustes([](Ajustes& a) { a.instalarAlCerrar = true; });
  bucle.avanzar(3.0);
  EXPECT_EQ(ventanaInstalador().ocultada, 0);
  bucle.avanzar(0.3);
  EXPECT_EQ(ventanaInstalador().ocultada, 1);
  EXPECT_TRUE(instalador().todas.empty());

  // The end of the wait starts the update of the running app, which waits for it to quit.
  condiciones.poner(false, false);
  ASSERT_TRUE(esperar([&] {
    auto i = instalador().enCurso("shcond");
    return i && i->fase == Fase::esperaCierre;
  }));
  EXPECT_TRUE(instalador().enCurso("shcond")->automatica);
  EXPECT_EQ(foto()["espera"], "");
  EXPECT_EQ(foto()["esperan"], Json::array());
  // Once it is done, the program's own update starts: automatic, it takes no focus.
  abierta.matar();
  abierta.esperar();
  ASSERT_TRUE(terminada("shcond"));
  ventanaInstalador().mostrada.clear();
  bucle.avanzar(AppDelegate::kPausaTrasInstalar + 0.1);
  ASSERT_EQ(instalador().todas.size(), 1u);
  EXPECT_TRUE(instalador().todas[0]->propia);
  EXPECT_TRUE(instalador().todas[0]->automatica);
  EXPECT_EQ(ventanaInstalador().mostrada, std::vector<bool>{false});
  delegado->mensaje({{"accion", "cancelar"}, {"id", "suite"}});
}
