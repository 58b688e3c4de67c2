// Installations nobody picked one by one: updates of running apps for when they quit, the
// update of everything installed, and the program's own update with its restart.
#include <gtest/gtest.h>

#include "banco.h"
#include "shell/actualizaciones.h"

using namespace orvo;
using namespace orvo::prueba;

namespace {

AppRemota entrada(const std::string& id, const std::string& version) {
  AppRemota a;
  a.id = id;
  a.nombre = "Prueba " + id;
  a.bundle = "com.orvo.prueba." + id;
  a.app = a.nombre + ".app";
  a.version = version;
  a.url = id + ".zip";
  return a;
}

std::vector<std::string> iniciadas(Instalador& i) {
  std::vector<std::string> r;
  for (const auto& inst : i.todas)
    if (inst->activa()) r.push_back(inst->app.id + (inst->automatica ? "*" : ""));
  return r;
}

}  // namespace

TEST(Automaticas, AlCerrarTodasYLaPropia) {
  Banco b(false);
  b.catalogo().cambiarAjustes([&](Ajustes& a) {
    a.fuente = b.servidor.base();
    a.instalarAlCerrar = false;
  });
  // "a" installed and older, "c" the same but running, "b" not installed, "yo" is us.
  for (const char* id : {"a", "c", "yo"}) b.instalarAMano(id, "1.0");
  ProcesoPrueba c(b.apps / "Prueba c.app/Contents/MacOS/c");
  ASSERT_TRUE(esperarQue([&] { return !b.espacio->enMarcha("com.orvo.prueba.c").empty(); }));
  b.sistema.bundle = "com.orvo.prueba.yo";
  Manifiesto m;
  m.apps = {entrada("a", "2.0"), entrada("b", "2.0"), entrada("c", "2.0"), entrada("yo", "2.0")};
  b.catalogo().manifiesto = m;
  Actualizaciones act(b.catalogo(), b.instalador(), b.sistema);

  act.instalarAlCerrar();
  act.actualizarme();
  EXPECT_TRUE(b.instalador().todas.empty());

  b.catalogo().cambiarAjustes([](Ajustes& a) { a.instalarAlCerrar = true; });
  act.instalarAlCerrar();
  // Only the running one; and no own update while it is active.
  EXPECT_EQ(iniciadas(b.instalador()), (std::vector<std::string>{"c*"}));

  act.instalarTodas();
  EXPECT_EQ(iniciadas(b.instalador()), (std::vector<std::string>{"c*", "a"}));

  b.instalador().cancelar("a");
  b.instalador().cancelar("c");
  act.actualizarme();
  EXPECT_EQ(iniciadas(b.instalador()), (std::vector<std::string>{"yo*"}));
  EXPECT_TRUE(b.instalador().enCurso("yo")->propia);
  EXPECT_EQ(b.instalador().enCurso("yo")->pasos.size(), 5u);
}

TEST(Automaticas, LaActualizacionPropiaReabreLaCopiaNuevaYTermina) {
  Banco b;
  b.instalarAMano("yo", "1.0");
  auto app = b.publicar("yo", "2.0");
  b.sistema.bundle = app.bundle;
  bool terminado = false;
  b.instalador().terminarPrograma = [&] { terminado = true; };
  b.instalador().comenzar(app, true);
  auto inst = b.instalador().enCurso("yo");
  ASSERT_TRUE(inst && inst->propia);
  for (int i = 0; i < 400 && !terminado; ++i) {
    b.bucle.esperarHasta([&] { return terminado; }, 0.02);
    if (inst->zip) b.bucle.avanzar(0.1);
  }
  ASSERT_TRUE(terminado);
  EXPECT_NE(b.log().find("Prueba yo 2.0  instalada: se vuelve a abrir"), std::string::npos);
  // Not finished: the program ends with it in progress and a new copy starts after it.
  EXPECT_EQ(inst->fase, Fase::corriendo);
  EXPECT_EQ(b.terminadas, 0);
  EXPECT_TRUE(esperarQue([&] { return !b.espacio->enMarcha(app.bundle).empty(); }));
}
