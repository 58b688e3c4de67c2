// Cancelling an active installation and discarding the finished ones.
#include <algorithm>

#include "comun/log.h"
#include "instalador/descarga_parcial.h"
#include "instalador/instalador.h"

namespace orvo {

void Instalador::cancelar(const std::optional<std::string>& id) {
  auto inst = id ? enCurso(*id) : nullptr;
  if (!inst) inst = actual();
  if (!inst || !inst->activa()) return;
  if (inst->tarea) sesion_.cancelar(*inst->tarea);
  if (inst->parcial) inst->parcial->cancelar();
  inst->tarea.reset();
  limpiar(*inst);
  std::erase(todas, inst);
  Log::escribir("instalación de " + inst->app.nombre + " cancelada");
}

void Instalador::descartar() {
  std::erase_if(todas, [](const auto& i) { return !i->activa(); });
}

}  // namespace orvo
