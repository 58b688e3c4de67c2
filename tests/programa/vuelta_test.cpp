// SIGKILL of the real binary at every step of a going back (OV_PRUEBA_VOLVER), with the
// data folder on the applications folder's filesystem and on a tmpfs of its own: after
// every kill the applications folder and the backup each hold a whole bundle, and a run
// to the end makes the two trade places. A damaged backup is never put back.
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "apoyo/tmpfs.h"
#include "programa/maquina.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

void vueltas(bool otroDisco) {
  Maquina m;
  std::optional<Tmpfs> datos;
  if (otroDisco && !datos.emplace(m.t / "datos", 128u << 20).montado())
    GTEST_SKIP() << "montar tmpfs necesita root";
  const std::string id = "vuelta";
  auto versiones = m.dosVersiones(id);
  const auto& app = versiones[1].app;
  auto en = m.t / "apps" / app.app, respaldo = m.t / "datos/respaldo" / app.app;
  for (auto [v, hacia] : {std::pair{"2.0", en}, {"1.0", respaldo}}) {
    fs::create_directories(hacia.parent_path());
    fs::copy(m.t / "obra" / id / v / app.app, hacia,
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  }
  m.manifiesto(m.t / "fuente", {app});
  auto entorno = m.entorno(id);
  entorno.push_back("OV_PRUEBA_VOLVER=1");
  auto entera = [&](const fs::path& b) {
    auto a = arbol(b);
    return a == versiones[0].arbol || a == versiones[1].arbol;
  };
  // After each line, then within the exchange that follows the second.
  std::mt19937 azar(std::random_device{}());
  std::vector<std::pair<int, int>> cortes{{1, 0}, {3, 0}};
  for (int ms : {0, 2, 5, 10, 20, 40, int(azar() % 200)}) cortes.push_back({2, ms});
  for (auto [lineas, ms] : cortes) {
    Corrida(entorno).cortar(lineas, "", ms);
    EXPECT_TRUE(entera(en) && entera(respaldo)) << lineas << " líneas y " << ms << " ms";
  }

  auto antes = arbol(en), guardada = arbol(respaldo);
  EXPECT_EQ(Corrida(entorno).terminar(60), 0);
  EXPECT_EQ(arbol(en), guardada);
  EXPECT_EQ(arbol(respaldo), antes);
  EXPECT_EQ(arbol(en), versiones[m.anotada(id) == "1.0" ? 0 : 1].arbol);
  for (auto carpeta : {m.t / "apps", m.t / "datos/respaldo"})
    for (const auto& e : fs::directory_iterator(carpeta)) EXPECT_EQ(e.path(), carpeta / app.app);

  fs::remove(respaldo / "Contents/MacOS" / id);
  auto r = m.instalar(id, "OV_PRUEBA_VOLVER=1");
  EXPECT_EQ(r.estado, 1);
  EXPECT_TRUE(r.texto.ends_with("FIN sin respaldo\n")) << r.texto;
  EXPECT_EQ(arbol(en), guardada);
}

}  // namespace

TEST(Vuelta, MatarEnCadaPasoEnUnSistemaDeArchivos) { vueltas(false); }
TEST(Vuelta, MatarEnCadaPasoConLosDatosEnOtroSistema) { vueltas(true); }
