#include "instalador/instalacion.h"

#include <utility>

namespace orvo {

const char* textoFase(Fase fase) {
  switch (fase) {
    case Fase::corriendo:
      return "corriendo";
    case Fase::esperaCierre:
      return "esperaCierre";
    case Fase::autorizar:
      return "autorizar";
    case Fase::lista:
      return "lista";
    case Fase::error:
      return "error";
  }
  return "error";
}

namespace {

std::vector<std::string> pasosDe(const AppRemota& app, const std::string& modo, bool abierta,
                                 bool propia) {
  if (modo == "instalar")
    return {"Descargar", "Verificar la descarga", "Instalar en Aplicaciones", "Registrar en Linux",
            "Abrir " + app.nombre};
  if (modo == "volver") {
    std::vector<std::string> pasos;
    if (abierta && !propia) pasos.push_back("Esperar que cierres " + app.nombre);
    pasos.push_back("Volver a la versión anterior");
    // The program's own bundle came with its menu entry and restarts by itself.
    if (!propia) pasos.push_back("Registrar en Linux");
    if (abierta || propia) pasos.push_back("Abrir " + app.nombre);
    return pasos;
  }
  std::vector<std::string> pasos{"Descargar la versión nueva", "Verificar la descarga"};
  // The program's own update never waits for itself to quit.
  if (abierta && !propia) pasos.push_back("Esperar que cierres " + app.nombre);
  pasos.insert(pasos.end(), {"Guardar la versión anterior", "Reemplazar " + app.nombre,
                             "Abrir la versión nueva"});
  return pasos;
}

}  // namespace

Instalacion::Instalacion(AppRemota app_, std::string modo_, bool abierta, bool propia_,
                         double ahora)
    : app(std::move(app_)),
      modo(std::move(modo_)),
      pasos(pasosDe(app, modo, abierta, propia_)),
      propia(propia_),
      ultimoAvance(ahora),
      muestra{ahora, 0},
      abrirAlTerminar(modo != "volver" || abierta) {}

bool Instalacion::activa() const {
  return fase == Fase::corriendo || fase == Fase::esperaCierre || fase == Fase::autorizar;
}

Json Instalacion::json() const {
  return {{"id", app.id},
          {"nombre", app.nombre},
          {"modo", modo},
          {"pasos", pasos},
          {"paso", paso},
          {"pct", pct},
          {"bytes", bytes},
          {"total", total},
          {"velocidad", static_cast<int64_t>(velocidad)},
          {"fase", textoFase(fase)},
          {"error", error.value_or("")},
          {"noCerro", noCerro},
          {"noQuedoAbierta", noQuedoAbierta},
          {"novedades", app.novedades.value_or(std::vector<std::string>{})},
          {"version", textoVersion(app.version, app.build)}};
}

}  // namespace orvo
