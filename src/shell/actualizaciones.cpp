#include "shell/actualizaciones.h"

namespace orvo {

Actualizaciones::Actualizaciones(Catalogo& catalogo, Instalador& instalador, Sistema& sistema)
    : catalogo_(catalogo), instalador_(instalador), sistema_(sistema) {}

std::vector<AppRemota> Actualizaciones::apps() const {
  return catalogo_.manifiesto ? catalogo_.manifiesto->apps : std::vector<AppRemota>{};
}

bool Actualizaciones::porInstalar(const AppRemota& app) const {
  return catalogo_.hayNueva(app) && !catalogo_.omitida(app);
}

bool Actualizaciones::esPropia(const AppRemota& app) {
  auto propio = sistema_.bundlePropio();
  return propio && *propio == app.bundle;
}

void Actualizaciones::instalarAlCerrar() {
  if (!catalogo_.ajustes.instalarAlCerrar) return;
  instalador_.descartar();
  for (const auto& app : apps())
    if (!esPropia(app) && porInstalar(app) && catalogo_.abierta(app))
      instalador_.comenzar(app, true);
  actualizarme();
}

void Actualizaciones::actualizarme() {
  if (!catalogo_.ajustes.instalarAlCerrar) return;
  for (const auto& inst : instalador_.todas)
    if (inst->activa()) return;
  for (const auto& app : apps())
    if (esPropia(app) && porInstalar(app)) {
      instalador_.comenzar(app, true);
      return;
    }
}

void Actualizaciones::instalarTodas() {
  instalador_.descartar();
  for (const auto& app : apps())
    if (!esPropia(app) && porInstalar(app) && catalogo_.rutaInstalada(app))
      instalador_.comenzar(app, false);
  actualizarme();
}

void Actualizaciones::buscar(const std::function<void()>& mostrar) {
  catalogo_.revisar([this] { instalarAlCerrar(); });
  if (mostrar) mostrar();
}

}  // namespace orvo
