#include "shell/actualizaciones.h"

namespace orvo {

Actualizaciones::Actualizaciones(Catalogo& catalogo, Instalador& instalador, Sistema& sistema,
                                 Condiciones& condiciones)
    : catalogo_(catalogo), instalador_(instalador), sistema_(sistema), condiciones_(condiciones) {}

std::vector<AppRemota> Actualizaciones::apps() const {
  return catalogo_.manifiesto ? catalogo_.manifiesto->apps : std::vector<AppRemota>{};
}

bool Actualizaciones::porInstalar(const AppRemota& app) const {
  return catalogo_.hayNueva(app) && !catalogo_.omitida(app);
}

bool Actualizaciones::esPropia(const AppRemota& app) const {
  auto propio = sistema_.bundlePropio();
  return propio && *propio == app.bundle;
}

bool Actualizaciones::alCerrar(const AppRemota& app) const {
  return !esPropia(app) && porInstalar(app) && catalogo_.abierta(app);
}

const AppRemota* Actualizaciones::propia(const std::vector<AppRemota>& lista) const {
  if (!catalogo_.ajustes.instalarAlCerrar) return nullptr;
  for (const auto& inst : instalador_.todas)
    if (inst->activa()) return nullptr;
  for (const auto& app : lista)
    if (esPropia(app) && porInstalar(app)) return &app;
  return nullptr;
}

void Actualizaciones::instalarAlCerrar() {
  if (!catalogo_.ajustes.instalarAlCerrar) return;
  instalador_.descartar();
  // The catalogue's next check, or the end of the wait, starts them.
  if (condiciones_.espera()) return;
  for (const auto& app : apps())
    if (alCerrar(app)) instalador_.comenzar(app, true);
  actualizarme();
}

void Actualizaciones::actualizarme(bool aMano) {
  if (!aMano && condiciones_.espera()) return;
  auto lista = apps();
  if (auto* app = propia(lista)) instalador_.comenzar(*app, true);
}

void Actualizaciones::instalarTodas() {
  instalador_.descartar();
  for (const auto& app : apps())
    if (!esPropia(app) && porInstalar(app) && catalogo_.rutaInstalada(app))
      instalador_.comenzar(app, false);
  actualizarme(true);
}

void Actualizaciones::buscar(const std::function<void()>& mostrar) {
  catalogo_.revisar([this] { instalarAlCerrar(); });
  if (mostrar) mostrar();
}

std::vector<std::string> Actualizaciones::esperan() const {
  std::vector<std::string> ids;
  if (!catalogo_.ajustes.instalarAlCerrar || !condiciones_.espera()) return ids;
  auto lista = apps();
  auto enCurso = [&](const AppRemota& app) {
    for (const auto& inst : instalador_.todas)
      if (inst->app.id == app.id && inst->activa()) return true;
    return false;
  };
  for (const auto& app : lista)
    if (alCerrar(app) && !enCurso(app)) ids.push_back(app.id);
  if (auto* app = propia(lista)) ids.push_back(app->id);
  return ids;
}

}  // namespace orvo
