// SIGKILL of the real binary at every step of an update and at random instants, with the
// temporary folder on the applications folder's filesystem and on a tmpfs of its own:
// after every kill a whole, runnable bundle (old or new) is in place, and a second run
// finishes the update. ORVO_CAMPANA=N runs N times as many random kills.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <random>
#include <thread>

#include "apoyo/tmpfs.h"
#include "programa/maquina.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

struct Campana {
  Maquina m;
  std::vector<Version> v = m.dosVersiones("uno");
  int intentos = 0;

  // A run to version `i` that asks a still running app to quit rather than wait for the
  // user; no app from an earlier run is left to ask.
  std::vector<std::string> entorno(int i) {
    m.manifiesto(m.t / "fuente", {v[i].app});
    matarAppsDe(m.t / "apps");
    auto e = m.entorno("uno");
    e.push_back("OV_CERRAR=1");
    return e;
  }
  // The app a killed run had just opened starts a moment later: it goes too.
  void apagarApp() {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    matarAppsDe(m.t / "apps");
  }
  // A run to version `i` that gets as far as opening the app, the bundle in place and
  // recorded.
  bool segundaCorrida(int i) {
    Corrida c(entorno(i));
    bool abre = c.esperarLinea(
        [](const std::string& l) {
          return l.starts_with("corriendo") && l.find("Abrir") != std::string::npos;
        },
        60);
    bool bien = abre && esperarQue([&] { return m.anotada("uno") == v[i].app.version; }) &&
                arbol(m.t / "apps/Prueba uno.app") == v[i].arbol;
    c.matar();
    apagarApp();
    if (!bien) std::printf("%s\n", c.texto.c_str());
    return bien;
  }
};

void campana(bool otroDisco) {
  Campana c;
  std::optional<Tmpfs> tmp;
  if (otroDisco && !tmp.emplace(c.m.t / "tmp", 256u << 20).montado())
    GTEST_SKIP() << "montar tmpfs necesita root";
  auto inicio = std::chrono::steady_clock::now();
  ASSERT_TRUE(c.segundaCorrida(0));
  double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  // After each line of progress: every step; then within the unpacking and the swap, where
  // the files move; then at random instants.
  std::vector<std::tuple<int, std::string, int>> cortes;
  for (int linea = 1; linea <= 7; ++linea) cortes.push_back({linea, "", 0});
  for (int ms : {0, 10}) cortes.push_back({1, "Verificar", ms});
  for (int ms : {0, 5, 20}) cortes.push_back({1, "Guardar", ms});
  const char* mas = std::getenv("ORVO_CAMPANA");
  std::mt19937 azar(std::random_device{}());
  std::uniform_real_distribution<double> instante(0, total * 1000);
  for (int i = 2 * (mas ? std::max(1, std::atoi(mas)) : 1); i > 0; --i)
    cortes.push_back({0, "", int(instante(azar))});
  int v = 0;  // the version installed
  for (auto [lineas, con, ms] : cortes) {
    v = 1 - v;
    Corrida(c.entorno(v)).cortar(lineas, con, ms);
    c.apagarApp();
    ++c.intentos;
    auto en = arbol(c.m.t / "apps/Prueba uno.app");
    bool entera = en == c.v[0].arbol || en == c.v[1].arbol;
    bool termina = c.segundaCorrida(v);
    if (!entera || !termina)
      ADD_FAILURE() << "tras matar en la ronda " << c.intentos << ": "
                    << (entera ? "no terminó al volver a correr" : "no quedó una app entera");
  }
  // A run without interruption, to its very end; then no leftovers may remain.
  EXPECT_EQ(Corrida(c.entorno(1 - v)).terminar(60), 0);
  for (auto carpeta : {c.m.t / "tmp", c.m.t / "apps", c.m.t / "datos/respaldo"})
    for (const auto& e : fs::directory_iterator(carpeta)) {
      auto n = e.path().filename().string();
      EXPECT_FALSE(n.starts_with(".Prueba") || n.starts_with("orvo-")) << e.path();
    }
  std::printf("%s: %d muertes (una corrida completa tarda %.2f s)\n",
              otroDisco ? "temporal en tmpfs, apps en disco" : "un sistema de archivos", c.intentos,
              total);
}

}  // namespace

TEST(Campana, MatarEnCadaPasoEnUnSistemaDeArchivos) { campana(false); }
TEST(Campana, MatarEnCadaPasoConElTemporalEnOtroSistema) { campana(true); }
