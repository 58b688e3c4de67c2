#include "instalador/instalador.h"

#include <algorithm>
#include <cassert>
#include <system_error>

#include "comun/archivos.h"
#include "comun/log.h"
#include "instalador/descarga_parcial.h"

namespace orvo {

Instalador::Instalador(Plataforma& plataforma, Catalogo& catalogo)
    : plataforma_(plataforma), catalogo_(catalogo), sesion_(plataforma.descargas) {
  std::weak_ptr<int> vivo = vida_;
  Descargas::Avisos avisos;
  avisos.progreso = [this, vivo](TareaDescarga t, int64_t escritos, int64_t esperados) {
    if (!vivo.expired()) progreso(t, escritos, esperados);
  };
  avisos.terminada = [this, vivo](TareaDescarga t, const std::filesystem::path& archivo,
                                  int estado) {
    if (!vivo.expired()) terminada(t, archivo, estado);
  };
  avisos.completada = [this, vivo](TareaDescarga t, std::optional<FalloDescarga> fallo) {
    if (!vivo.expired()) completada(t, fallo);
  };
  sesion_.avisar(std::move(avisos));
}

Instalador::~Instalador() {
  sesion_.avisar({});
  for (const auto& inst : todas) {
    for (auto* t : {&inst->sondeo, &inst->revision, &inst->vigilante})
      if (*t) (*t)->detener();
  }
}

std::shared_ptr<Instalacion> Instalador::actual() const {
  for (const auto& i : todas)
    if (i->fase == Fase::corriendo || i->fase == Fase::autorizar) return i;
  for (const auto& i : todas)
    if (i->fase == Fase::esperaCierre) return i;
  return todas.empty() ? nullptr : todas.back();
}

std::shared_ptr<Instalacion> Instalador::enCurso(const std::string& id) const {
  for (const auto& i : todas)
    if (i->app.id == id && i->activa()) return i;
  return nullptr;
}

void Instalador::avisar(const Instalacion& inst) const {
  if (alCambiar) alCambiar(inst);
}

void Instalador::fallar(Instalacion& inst, const std::string& mensaje) {
  assert(plataforma_.bucle.enHiloPrincipal());
  if (!inst.activa()) return;
  inst.fase = Fase::error;
  inst.error = mensaje;
  avisar(inst);
  limpiar(inst);
  Log::escribir("instalación de " + inst.app.nombre + " falló: " + mensaje);
}

void Instalador::limpiar(Instalacion& inst) {
  if (inst.tmp) {
    quitarArbol(*inst.tmp);
    inst.tmp.reset();
  }
  inst.ocupada.reset();
  inst.zip.reset();
  if (inst.parcial) inst.parcial->cancelar();
  inst.parcial.reset();
  if (inst.observador) {
    dejarDeObservar(*inst.observador);
    inst.observador.reset();
  }
  if (inst.sondeo) inst.sondeo->detener();
  inst.sondeo.reset();
  if (inst.revision) inst.revision->detener();
  inst.revision.reset();
  if (inst.vigilante) inst.vigilante->detener();
  inst.vigilante.reset();
}

Observador Instalador::observarApps(std::function<void()> aviso) {
  auto id = siguienteObservador_++;
  observadores_.emplace(id, std::move(aviso));
  return id;
}

void Instalador::dejarDeObservar(Observador observador) { observadores_.erase(observador); }

void Instalador::appsCambiaron() {
  // A notice may register or drop observers, so walk a copy of the handles.
  std::vector<Observador> ids;
  for (const auto& [id, aviso] : observadores_) ids.push_back(id);
  for (auto id : ids)
    if (auto o = observadores_.find(id); o != observadores_.end()) {
      auto aviso = o->second;
      aviso();
    }
}

}  // namespace orvo
