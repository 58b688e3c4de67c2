// Going back to the version kept in the backup: an installation of its own, which waits
// for a running app to quit as an update does, then makes the backup and the installed
// bundle trade places and registers, records and reopens what came back.
#include <algorithm>
#include <cassert>

#include "comun/log.h"
#include "instalador/cambio_de_bundles.h"
#include "instalador/instalador.h"

namespace orvo {

void Instalador::volver(const AppRemota& app) {
  assert(plataforma_.bucle.enHiloPrincipal());
  if (enCurso(app.id)) return;
  auto anterior = catalogo_.anterior(app);
  if (!anterior) return;
  std::erase_if(todas, [&](const auto& i) { return i->app.id == app.id; });

  // The record shows, and the registry keeps, the version that comes back.
  AppRemota vuelta = app;
  vuelta.version = anterior->version;
  vuelta.build = anterior->build;
  vuelta.novedades.reset();
  bool abierta = catalogo_.abierta(app).has_value();
  auto propio = plataforma_.sistema.bundlePropio();
  bool propia = propio && *propio == app.bundle;
  auto inst =
      std::make_shared<Instalacion>(vuelta, "volver", abierta, propia, plataforma_.bucle.ahora());
  todas.push_back(inst);
  Log::escribir("volver " + app.nombre + " a " + textoVersion(vuelta.version, vuelta.build));
  avisar(*inst);
  if (abierta && !propia)
    esperarCierre(inst);
  else
    restaurar(inst);
}

void Instalador::restaurar(const std::shared_ptr<Instalacion>& inst) {
  // Cancelled while it waited for the app: nothing moves.
  if (std::find(todas.begin(), todas.end(), inst) == todas.end()) return;
  const auto& app = inst->app;
  auto respaldo = catalogo_.rutaRespaldo(app);
  auto destino = catalogo_.rutaInstalada(app);
  auto deja = catalogo_.versionInstalada(app);
  if (!respaldo || !destino || !deja)
    return fallar(*inst, app.nombre + " ya no está instalada. No cambié nada.");

  // The version that leaves is skipped before it leaves, so that no check made meanwhile,
  // nor one after a crash, installs it straight back; a failed going back undoes the skip.
  std::optional<std::string> antes;
  if (auto o = catalogo_.ajustes.omitidas.find(app.id); o != catalogo_.ajustes.omitidas.end())
    antes = o->second;
  catalogo_.cambiarAjustes(
      [&](Ajustes& a) { a.omitidas[app.id] = textoVersion(deja->version, deja->build); });

  std::weak_ptr<int> vivo = vida_;
  Bucle& bucle = plataforma_.bucle;
  Permisos& permisos = plataforma_.permisos;
  bucle.enSegundoPlano(
      [this, vivo, inst, respaldo = *respaldo, destino = *destino, antes, &bucle, &permisos] {
        auto fallo = volverBundles(respaldo, destino, permisos);
        bucle.enPrincipal([this, vivo, inst, destino, antes, fallo] {
          if (vivo.expired()) return;
          if (!fallo) return colocada(inst, destino);
          catalogo_.cambiarAjustes([&](Ajustes& a) {
            if (antes)
              a.omitidas[inst->app.id] = *antes;
            else
              a.omitidas.erase(inst->app.id);
          });
          fallar(*inst, *fallo);
        });
      });
}

}  // namespace orvo
