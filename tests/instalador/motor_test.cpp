// The download engine's decisions on the virtual clock, with a scripted session: stalls,
// crawls, broken transfers and their limits, sizes, the bookkeeping of several
// installations, and the ones nobody picked one by one (updates at quit, everything
// installed, the program's own).
#include <gtest/gtest.h>

#include "banco.h"
#include "shell/actualizaciones.h"

using namespace orvo;
using namespace orvo::prueba;

namespace {

AppRemota appDe(const std::string& id, std::optional<int64_t> tam, std::string version = "1.0") {
  return {.id = id,
          .nombre = "Prueba " + id,
          .bundle = bundleDePrueba(id),
          .app = "Prueba " + id + ".app",
          .version = version,
          .url = id + ".zip",
          .tam = tam};
}

struct Motor : Banco {
  Descargas::Avisos& av = guion.avisos;
  Motor() : Banco(false) {
    catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
  }
  std::shared_ptr<Instalacion> comenzar(const AppRemota& app) {
    instalador().comenzar(app, false);
    return instalador().enCurso(app.id);
  }
  // Answers the latest switch and lets the new connection start.
  void retomar(std::optional<DatosRetomar> d) {
    ASSERT_FALSE(guion.retomando.empty());
    auto listo = guion.retomando.back();
    guion.retomando.pop_back();
    listo(std::move(d));
    bucle.procesar();
  }
  DatosRetomar desde(int64_t bytes) { return {{}, t / "parcial", bytes, "\"v\""}; }
};

}  // namespace

TEST_F(Motor, UnaDescargaQuietaCambiaDeConexionYLaNovenaVezFalla) {
  // Ten megabytes: too little left to ever count as slow.
  auto inst = comenzar(appDe("m", 10'000'000));
  av.progreso(guion.ultima(), 3'000'000, 10'000'000);
  for (size_t i = 1; i <= 8; ++i) {
    bucle.avanzar(24);
    EXPECT_TRUE(guion.retomando.empty());
    bucle.avanzar(2);
    retomar(desde(3'000'000));
    ASSERT_EQ(guion.inicios.size(), i + 1);
    EXPECT_EQ(guion.inicios.back().retomar.value().bytes, 3'000'000);
    // The abandoned connection's cancellation never fails the installation.
    av.completada(guion.inicios[i - 1].tarea, FalloDescarga{true, "cancelada", std::nullopt});
    EXPECT_EQ(inst->fase, Fase::corriendo);
  }
  bucle.avanzar(26);
  EXPECT_EQ(inst->fase, Fase::error);
  EXPECT_EQ(inst->error,
            "La descarga se detuvo y no pudo continuar. Revisa tu conexión y vuelve a intentarlo.");
}

TEST_F(Motor, UnaDescargaLentaCambiaTrasOchoSegundosDoceVecesComoMucho) {
  auto inst = comenzar(appDe("l", 400'000'000));
  int64_t bytes = 0;
  std::vector<double> cambios;
  for (int s = 0; s < 240; ++s) {
    bytes += 500'000;
    av.progreso(guion.ultima(), bytes, 400'000'000);
    bucle.avanzar(1);
    if (!guion.retomando.empty()) {
      cambios.push_back(bucle.ahora() - 1000);
      retomar(desde(bytes));
    }
  }
  ASSERT_EQ(cambios.size(), 12u);
  // The first second measures 1,000,000 B/s (not slow); smoothed below it by the round
  // at 4 s, slow for more than 8 s at the round at 14 s.
  EXPECT_EQ(cambios[0], 14);
  EXPECT_EQ(inst->reintentos, 0);
  EXPECT_EQ(inst->fase, Fase::corriendo);
}

TEST_F(Motor, CortesConYSinDatosParaSeguir) {
  auto inst = comenzar(appDe("c", std::nullopt));
  av.completada(guion.ultima(),
                FalloDescarga{false, "se cortó la conexión con el servidor", desde(2'500'000)});
  ASSERT_EQ(guion.inicios.size(), 2u);
  EXPECT_EQ(guion.inicios[1].retomar.value().bytes, 2'500'000);
  // A switch that brings nothing to continue from starts over.
  bucle.avanzar(26);
  retomar(std::nullopt);
  EXPECT_FALSE(guion.inicios.back().retomar);
  EXPECT_EQ(inst->bytes, 0);
  EXPECT_EQ(inst->reintentos, 2);
  // A cut with nothing to continue from ends it.
  av.completada(guion.ultima(), FalloDescarga{false, "se agotó el tiempo de espera", std::nullopt});
  EXPECT_EQ(inst->fase, Fase::error);
  EXPECT_EQ(inst->error, "Se cortó la descarga: se agotó el tiempo de espera");
}

TEST_F(Motor, VariasInstalacionesActualCancelarYDescartar) {
  auto a = comenzar(appDe("a", 4000));
  auto otra = comenzar(appDe("b", 4000));
  // The server gives no size: the manifest's makes the fraction.
  av.progreso(guion.inicios[0].tarea, 1000, 0);
  EXPECT_DOUBLE_EQ(a->pct, 0.25);
  av.terminada(guion.inicios[0].tarea, t.escribir("pagina", "<h1>error</h1>"), 500);
  ASSERT_EQ(a->fase, Fase::error);
  EXPECT_FALSE(a->tmp);
  EXPECT_EQ(instalador().actual(), otra);
  EXPECT_EQ(instalador().enCurso("a"), nullptr);

  // Starting an app again drops its failed record; an active one is not started twice.
  auto a2 = comenzar(appDe("a", 4000));
  EXPECT_NE(a2, a);
  instalador().comenzar(appDe("a", 4000), false);
  EXPECT_EQ(instalador().todas.size(), 2u);
  EXPECT_EQ(guion.inicios.size(), 3u);

  auto carpeta = *otra->tmp;
  instalador().cancelar("b");
  EXPECT_EQ(instalador().todas.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(carpeta));
  EXPECT_EQ(guion.canceladas.back(), guion.inicios[1].tarea);
  // Late notices of the cancelled task find nothing.
  av.progreso(guion.inicios[1].tarea, 10, 1000);
  EXPECT_EQ(otra->bytes, 0);

  av.terminada(guion.ultima(), t.escribir("pagina", "<h1>error</h1>"), 403);
  instalador().descartar();
  EXPECT_TRUE(instalador().todas.empty());
}

TEST_F(Motor, AlCerrarTodasYLaPropia) {
  catalogo().cambiarAjustes([&](Ajustes& a) { a.instalarAlCerrar = false; });
  // "a" installed and older, "c" the same but running, "b" not installed, "yo" is us.
  for (const char* id : {"a", "c", "yo"}) instalarAMano(id, "1.0");
  ProcesoPrueba c(apps / "Prueba c.app/Contents/MacOS/c");
  ASSERT_TRUE(esperarQue([&] { return !espacio.enMarcha(bundleDePrueba("c")).empty(); }));
  sistema.bundle = bundleDePrueba("yo");
  Manifiesto m;
  for (const char* id : {"a", "b", "c", "yo"}) m.apps.push_back(appDe(id, {}, "2.0"));
  catalogo().manifiesto = m;
  Actualizaciones act(catalogo(), instalador(), sistema);
  auto iniciadas = [&] {
    std::vector<std::string> r;
    for (const auto& inst : instalador().todas)
      if (inst->activa()) r.push_back(inst->app.id + (inst->automatica ? "*" : ""));
    return r;
  };

  act.instalarAlCerrar();
  act.actualizarme();
  EXPECT_TRUE(instalador().todas.empty());
  catalogo().cambiarAjustes([](Ajustes& a) { a.instalarAlCerrar = true; });
  act.instalarAlCerrar();
  // Only the running one; and no own update while it is active.
  EXPECT_EQ(iniciadas(), (std::vector<std::string>{"c*"}));
  act.instalarTodas();
  EXPECT_EQ(iniciadas(), (std::vector<std::string>{"c*", "a"}));

  instalador().cancelar("a");
  instalador().cancelar("c");
  act.actualizarme();
  EXPECT_EQ(iniciadas(), (std::vector<std::string>{"yo*"}));
  // The program's own update never waits for itself.
  EXPECT_EQ(instalador().enCurso("yo")->pasos.size(), 5u);
}
