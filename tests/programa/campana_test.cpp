// SIGKILL of the real binary at every step of an update and at random instants, with the
// temporary folder on the applications folder's filesystem and on a tmpfs of its own:
// after every kill a whole, runnable bundle (old or new) is in place, and a second run
// finishes the update. ORVO_CAMPANA=N runs N times as many random kills.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <thread>

#include "apoyo/tmpfs.h"
#include "programa/maquina.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

class Campana {
 public:
  Campana() : v_(m_.dosVersiones("uno")) {}
  const fs::path& raiz() const { return m_.t.ruta(); }

  // Runs the update to version `v` until `matar` returns, then kills it; checks the bundle
  // in place and that a second run completes the update.
  void ronda(int v, const std::function<void(Corrida&)>& matar) {
    {
      Corrida c(entorno(v));
      matar(c);
    }
    apagarApp();
    ++intentos;
    auto en = arbol(m_.t / "apps/Prueba uno.app");
    bool entera = en == v_[0].arbol || en == v_[1].arbol;
    bool termina = segundaCorrida(v);
    if (!entera || !termina)
      ADD_FAILURE() << "tras matar en la ronda " << intentos << ": "
                    << (entera ? "no terminó al volver a correr" : "no quedó una app entera");
  }

  // A run to version `v` that gets as far as opening the app, the bundle in place and
  // recorded.
  bool segundaCorrida(int v) {
    Corrida c(entorno(v));
    bool abre = c.esperarLinea(
        [](const std::string& l) {
          return l.starts_with("corriendo") && l.find("Abrir") != std::string::npos;
        },
        60);
    bool bien = abre && esperarQue([&] { return m_.anotada("uno") == v_[v].app.version; }) &&
                arbol(m_.t / "apps/Prueba uno.app") == v_[v].arbol;
    c.matar();
    apagarApp();
    if (!bien) std::printf("%s\n", c.texto.c_str());
    return bien;
  }

  // A run without interruption, to its very end; then no leftovers may remain.
  void completa(int v) {
    EXPECT_EQ(Corrida(entorno(v)).terminar(60), 0);
    for (auto carpeta : {m_.t / "tmp", m_.t / "apps", m_.t / "datos/respaldo"})
      for (const auto& e : fs::directory_iterator(carpeta)) {
        auto n = e.path().filename().string();
        EXPECT_FALSE(n.starts_with(".Prueba") || n.starts_with("orvo-")) << e.path();
      }
  }

  int intentos = 0;

 private:
  // A run to version `v` that asks a still running app to quit rather than wait for the
  // user; no app from an earlier run is left to ask.
  std::vector<std::string> entorno(int v) {
    m_.manifiesto(m_.t / "fuente", {v_[v].app});
    matarAppsDe(m_.t / "apps");
    auto e = m_.entorno("uno");
    e.push_back("OV_CERRAR=1");
    return e;
  }
  // The app a killed run had just opened starts a moment later: it goes too.
  void apagarApp() {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    matarAppsDe(m_.t / "apps");
  }

  Maquina m_;
  std::vector<Version> v_;
};

void campana(Campana& c, const char* nombre) {
  auto inicio = std::chrono::steady_clock::now();
  ASSERT_TRUE(c.segundaCorrida(0));
  double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  int v = 0;  // the version installed
  auto siguiente = [&] { return v = 1 - v; };
  // After each line of progress: every step.
  for (int linea = 1; linea <= 7; ++linea)
    c.ronda(siguiente(), [&](Corrida& r) {
      for (int i = 0; i < linea; ++i) r.esperarLinea([](const std::string&) { return true; }, 30);
    });
  // Within the unpacking and the swap, where the files move.
  for (auto [linea, ms] : {std::pair{"Verificar", 0},
                           {"Verificar", 10},
                           {"Guardar", 0},
                           {"Guardar", 5},
                           {"Guardar", 20}})
    c.ronda(siguiente(), [linea = linea, ms = ms](Corrida& r) {
      r.esperarLinea([&](const std::string& l) { return l.find(linea) != std::string::npos; }, 30);
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    });
  const char* mas = std::getenv("ORVO_CAMPANA");
  int veces = 2 * (mas ? std::max(1, std::atoi(mas)) : 1);
  std::mt19937 azar(std::random_device{}());
  std::uniform_real_distribution<double> instante(0, total);
  for (int i = 0; i < veces; ++i) {
    double s = instante(azar);
    c.ronda(siguiente(),
            [s](Corrida&) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); });
  }
  c.completa(siguiente());
  std::printf("%s: %d muertes (una corrida completa tarda %.2f s)\n", nombre, c.intentos, total);
}

}  // namespace

TEST(Campana, MatarEnCadaPasoEnUnSistemaDeArchivos) {
  Campana c;
  campana(c, "un sistema de archivos");
}

TEST(Campana, MatarEnCadaPasoConElTemporalEnOtroSistema) {
  Campana c;
  Tmpfs tmp(c.raiz() / "tmp", 256u << 20);
  if (!tmp.montado()) GTEST_SKIP() << "montar tmpfs necesita root";
  campana(c, "temporal en tmpfs, apps en disco");
}
