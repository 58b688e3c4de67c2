#include <algorithm>

#include "catalogo/conocidas.h"
#include "shell/app_delegate.h"

namespace orvo {

namespace {

bool verdad(const Json& app, const char* clave) {
  auto n = app.find(clave);
  return n != app.end() && n->is_boolean() && n->get<bool>();
}

// A skipped version is no news: neither the count nor the notification bring it up.
bool conNueva(const Json& app) { return verdad(app, "nueva") && !verdad(app, "omitida"); }

}  // namespace

std::string AppDelegate::ayuda(int cuenta) {
  if (cuenta <= 0) return "Orvo Suite";
  return "Orvo Suite \u00b7 " + std::to_string(cuenta) +
         (cuenta == 1 ? " actualizaci\u00f3n" : " actualizaciones");
}

Json AppDelegate::foto() const {
  auto& catalogo = nucleo_.catalogo();
  auto& instalador = nucleo_.instalador();
  auto& ajustes = catalogo.ajustes;
  // The snapshot describes one instant: each bundle is looked at once.
  Espacio::Pase pase(nucleo_.plataforma().espacio);

  Json listas = Json::array(), instalaciones = Json::array();
  for (const auto& i : instalador.todas) {
    instalaciones.push_back(i->json());
    // A going back that waits is no update ready to install: its app's card says so.
    if (i->fase != Fase::esperaCierre || i->modo == "volver") continue;
    listas.push_back({{"id", i->app.id},
                      {"nombre", i->app.nombre},
                      {"version", textoVersion(i->app.version, i->app.build)}});
  }
  Json apps = Json::array();
  for (auto& a : catalogo.estadoApps()) apps.push_back(std::move(a));

  Json f{{"tipo", "estado"},
         {"listas", std::move(listas)},
         {"apps", std::move(apps)},
         {"fuente", ajustes.fuente},
         {"instalarAlCerrar", ajustes.instalarAlCerrar},
         {"componentes", ajustes.componentes},
         {"avisar", ajustes.avisar},
         {"errorFuente", catalogo.errorFuente.value_or("")},
         // Why the automatic updates of `esperan` have not started.
         {"espera", nucleo_.plataforma().condiciones.espera().value_or("")},
         {"esperan", actualizaciones_.esperan()},
         {"comps", nucleo_.componentes().estado()},
         {"version", nucleo_.plataforma().sistema.versionPropia().value_or("")}};
  if (catalogo.revisado) f["revisado"] = textoFecha(*catalogo.revisado);

  auto base = catalogo.base();
  Json sesion = nucleo_.cuenta().json();
  sesion["necesita"] = catalogo.necesitaLogin();
  sesion["conServidor"] = base.esServidor();
  sesion["servidor"] = base.esServidor() ? *base.servidor : servicioPorDefecto();
  f["sesion"] = std::move(sesion);

  if (auto actual = instalador.actual()) f["instalacion"] = actual->json();
  f["instalaciones"] = std::move(instalaciones);
  return f;
}

void AppDelegate::estado() {
  auto f = foto();
  Novedades novedades;
  for (const auto& aviso : nucleo_.cuenta().avisos) novedades.avisos.push_back(aviso.titulo);
  for (const auto& app : f["apps"])
    if (conNueva(app)) novedades.apps.push_back(app.value("nombre", ""));
  int n = static_cast<int>(novedades.apps.size() + novedades.avisos.size());
  bandeja_.actualizar(n, ayuda(n));
  if (novedades_) novedades_->alEstado(novedades, principal_->enFrente());
  principal_->enviar(f);
  instalador_->enviar(f);
  const auto& todas = nucleo_.instalador().todas;
  nucleo_.plataforma().espacio.atento(
      principal_->visible() || instalador_->visible() ||
      std::any_of(todas.begin(), todas.end(), [](const auto& i) { return i->activa(); }));
}

}  // namespace orvo
