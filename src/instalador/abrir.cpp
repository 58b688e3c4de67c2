// Opening the new version and checking it keeps running, the user's word that the system
// now allows it, the successful end, and the program's own restart after its update.
#include <algorithm>
#include <string>

#include "comun/log.h"
#include "instalador/instalador.h"

namespace orvo {

namespace {

constexpr double kComprobar = 4.0;  // after opening, before checking it still runs
constexpr int kIntentos = 3;
constexpr double kAntesDeSalir = 0.3;
constexpr double kAntesDeReabrir = 1.0;

const char* const kAutorizar = "Autorizar en Linux";

std::string versionCompleta(const AppRemota& app) {
  return app.nombre + " " + app.version + " " + app.build.value_or("");
}

}  // namespace

void Instalador::abrir(const std::shared_ptr<Instalacion>& inst, const std::filesystem::path& ruta,
                       int intento) {
  // The desktop has no "open in the background": an automatic update opens its app the
  // same way, and a launched app does not take the focus from a running session anyway.
  if (auto error = plataforma_.espacio.abrir(ruta)) {
    Log::escribir("Linux no abrió " + inst->app.nombre + ": " + *error);
    if (std::find(inst->pasos.begin(), inst->pasos.end(), kAutorizar) == inst->pasos.end()) {
      inst->pasos.insert(inst->pasos.end() - 1, kAutorizar);
      inst->paso = static_cast<int>(inst->pasos.size()) - 2;
    }
    inst->fase = Fase::autorizar;
    avisar(*inst);
    return;
  }
  std::weak_ptr<int> vivo = vida_;
  plataforma_.bucle.despues(kComprobar, [this, vivo, inst, ruta, intento] {
    if (vivo.expired() || inst->fase != Fase::corriendo) return;
    if (catalogo_.abierta(inst->app)) return terminar(inst);
    if (intento < kIntentos) {
      Log::escribir(inst->app.nombre + " no quedó abierta (intento " + std::to_string(intento) +
                    "): se vuelve a abrir");
      return abrir(inst, ruta, intento + 1);
    }
    Log::escribir(inst->app.nombre + " no quedó abierta tras 3 intentos");
    // It is in place and registered, so it counts as done; the page offers the way back.
    inst->noQuedoAbierta = true;
    terminar(inst);
  });
}

void Instalador::autorizada() {
  for (const auto& inst : todas) {
    if (inst->fase != Fase::autorizar) continue;
    inst->fase = Fase::corriendo;
    inst->paso = static_cast<int>(inst->pasos.size()) - 1;
    avisar(*inst);
    abrir(inst, catalogo_.aplicaciones / inst->app.app, 1);
    return;
  }
}

void Instalador::abrirAjustesSeguridad() { plataforma_.permisos.abrirAjustesSeguridad(); }

void Instalador::terminar(const std::shared_ptr<Instalacion>& inst) {
  inst->paso = static_cast<int>(inst->pasos.size());
  inst->pct = 1;
  inst->fase = Fase::lista;
  avisar(*inst);
  limpiar(*inst);
  Log::escribir(versionCompleta(inst->app) +
                (inst->modo == "volver" ? " de vuelta" : " instalada"));
  if (alTerminar) alTerminar(*inst);
}

void Instalador::reabrirme(const std::shared_ptr<Instalacion>& inst,
                           const std::filesystem::path& ruta) {
  Log::escribir(versionCompleta(inst->app) + " instalada: se vuelve a abrir");
  // The new copy starts once this one is gone; a failure to arrange it still ends us.
  if (auto e = plataforma_.espacio.abrirDespues(ruta, kAntesDeReabrir)) Log::escribir(*e);
  std::weak_ptr<int> vivo = vida_;
  plataforma_.bucle.despues(kAntesDeSalir, [this, vivo] {
    if (!vivo.expired() && terminarPrograma) terminarPrograma();
  });
}

}  // namespace orvo
