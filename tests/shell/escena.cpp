#include "escena.h"

#include <fstream>

#include "apoyo/app_prueba.h"
#include "apoyo/bundles_prueba.h"

namespace orvo::prueba {

namespace fs = std::filesystem;

Json VentanaFalsa::ultimo(const std::string& tipo) const {
  for (auto e = eventos.rbegin(); e != eventos.rend(); ++e)
    if ((*e)["tipo"] == tipo) return *e;
  return nullptr;
}

size_t VentanaFalsa::cuantos(const std::string& tipo) const {
  size_t n = 0;
  for (const auto& e : eventos) n += e["tipo"] == tipo;
  return n;
}

Escena::Escena() : apps(t / "Aplicaciones"), datos(t / "datos"), fuente(t / "fuente") {
  for (const auto& c : {datos, fuente}) fs::create_directories(c);
  sistema.dentroDe(t.ruta(), apps, datos);
  espacio = std::make_unique<EspacioDePrueba>(t.ruta(), apps, t / "xdg/applications", bucle);
  descargas = std::make_unique<DescargasCurl>(bucle, t / "tmp");
  preferencias.emplace(sistema, "orvo-suite");
  publicar({});
}

Escena::~Escena() {
  delegado.reset();
  nucleo.reset();
  matarAppsDe(t.ruta());
}

void Escena::arrancar() {
  delegado.reset();
  nucleo.reset();
  pantalla.ventanas.clear();
  nucleo = std::make_unique<Nucleo>(
      Plataforma{bucle, http, *espacio, sistema, *descargas, permisos_, condiciones});
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = fuente.string(); });
  delegado =
      std::make_unique<AppDelegate>(*nucleo, pantalla, bandeja, *preferencias, notificaciones);
}

void Escena::lanzar() {
  delegado->lanzar();
  // Every end of a check, good or bad, reaches the pages as a snapshot.
  ASSERT_TRUE(esperar([&] { return principal().cuantos("estado") > 0; }));
  bucle.procesar();
}

bool Escena::hastaQue(const std::function<bool()>& condicion) {
  for (int i = 0; i < 400; ++i) {
    if (bucle.esperarHasta(condicion, 0.05)) return true;
    bucle.avanzar(0.1);
  }
  return false;
}

void Escena::publicar(const std::vector<AppRemota>& lista) {
  Json j = Json::array();
  for (const auto& a : lista) j.push_back(a.aJson());
  std::ofstream(fuente / "orvo-suite.json")
      << Json{{"formato", "orvo-suite/1"}, {"version", 1}, {"apps", j}}.dump();
}

AppRemota Escena::empaquetar(const std::string& id, const std::string& version) {
  return empaquetarApp(t / "obra", fuente, id, version);
}

fs::path Escena::instalarAMano(const std::string& id, const std::string& version) {
  auto claves = clavesDe(bundleDePrueba(id), id);
  claves["CFBundleShortVersionString"] = version;
  return crearBundle(apps, "Prueba " + id, claves);
}

}  // namespace orvo::prueba
