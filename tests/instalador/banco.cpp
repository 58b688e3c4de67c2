#include "banco.h"

#include <chrono>

#include "apoyo/app_prueba.h"
#include "comun/archivos.h"
#include "shell/prueba_instalacion.h"

namespace orvo::prueba {

namespace fs = std::filesystem;

Banco::Banco(bool descargasReales)
    : apps(t / "Aplicaciones"), datos(t / "datos"), carpeta(t / "fuente") {
  fs::create_directories(carpeta);
  sistema.dentroDe(t.ruta(), apps, datos);
  espacio = std::make_unique<EspacioDePrueba>(t.ruta(), apps, t / "xdg/applications", bucle);
  if (descargasReales) curl = std::make_unique<DescargasCurl>(bucle, t / "tmp");
  armar();
}

void Banco::reiniciar() {
  nucleo.reset();
  curl = std::make_unique<DescargasCurl>(bucle, t / "tmp");
  armar();
}

void Banco::armar() {
  Descargas& descargas = curl ? static_cast<Descargas&>(*curl) : guion;
  nucleo =
      std::make_unique<Nucleo>(Plataforma{bucle, http, *espacio, sistema, descargas, permisos});
  instalador().alCambiar = [this](const Instalacion& i) {
    auto l = PruebaInstalacion::linea(i);
    if (lineas.empty() || lineas.back() != l) lineas.push_back(l);
  };
  instalador().alTerminar = [this](const Instalacion&) { ++terminadas; };
}

Banco::~Banco() {
  nucleo.reset();
  matarAppsDe(t.ruta());
}

AppRemota Banco::empaquetar(const std::string& id, const std::string& version,
                            const std::string& script, bool ejecutable, size_t relleno) {
  return empaquetarApp(t / "obra", carpeta, id, version, script, ejecutable, relleno);
}

fs::path Banco::instalarAMano(const std::string& id, const std::string& version) {
  auto claves = clavesDe(bundleDePrueba(id), id);
  claves["CFBundleShortVersionString"] = version;
  return crearBundle(apps, "Prueba " + id, claves);
}

bool Banco::esperarFin(const std::string& id, double segundos, std::optional<Fase> fase) {
  auto listo = [&] {
    auto inst = instalador().enCurso(id);
    return !inst || (fase && inst->fase == *fase);
  };
  auto fin = std::chrono::steady_clock::now() + std::chrono::duration<double>(segundos);
  while (std::chrono::steady_clock::now() < fin) {
    if (bucle.esperarHasta(listo, 0.02)) return true;
    auto inst = instalador().enCurso(id);
    if (inst && (inst->zip || !inst->tarea)) bucle.avanzar(0.25);
  }
  return listo();
}

std::string Banco::log() const { return leerArchivo(datos / "suite.log").value_or(""); }

}  // namespace orvo::prueba
