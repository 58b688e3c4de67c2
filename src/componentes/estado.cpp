// What the manager gives the rest of the program: the synchronisation with each manifest,
// disponibles.json for the apps, the pages' state objects and the usage report's entries.
#include <algorithm>

#include "componentes/componentes.h"
#include "comun/fechas.h"
#include "comun/versiones.h"

namespace orvo {

void Componentes::sincronizar(const std::vector<ComponenteRemoto>& lista) {
  remotos = lista;
  escribirDisponibles();
  // A release already staged behind its app is not fetched again: every refresh would
  // download it anew while the app runs. Updates nobody asked for wait while the system
  // asks to save data or power; the next synchronisation after that fetches them.
  bool automaticas = !plataforma_.condiciones.espera();
  for (const auto& r : lista)
    if (auto inst = instalado(r.id);
        automaticas && inst && hayNueva(r) && inst->pendiente != marcaDe(r))
      instalar(r.id);
  reemplazos();
  auto cola = std::exchange(pedidos, {});
  for (const auto& [accion, id] : cola) {
    if (accion == "quitar")
      quitar(id);
    else
      instalar(id);
  }
  aplicarPendientes();
}

namespace {

// A lower published version is never new; equal versions differ only by two builds that
// differ, and then not once that release is staged behind its app.
bool nuevaFrente(const ComponenteRemoto& r, const ComponenteInstalado& inst) {
  if (int c = compararVersiones(r.version, inst.version); c != 0) return c > 0;
  return r.build && inst.build && *r.build != *inst.build && inst.pendiente != marcaDe(r);
}

}  // namespace

bool Componentes::hayNueva(const ComponenteRemoto& r) {
  auto inst = instalado(r.id);
  return inst && nuevaFrente(r, *inst);
}

void Componentes::escribirDisponibles() {
  (void)carpeta().guardarDisponibles({remotos, textoFecha(ahoraUtc())});
}

std::vector<Json> Componentes::estado() {
  auto lista = instalados();
  std::vector<std::string> ids;
  for (const auto& r : remotos)
    if (std::find(ids.begin(), ids.end(), r.id) == ids.end()) ids.push_back(r.id);
  for (const auto& c : lista)
    if (std::find(ids.begin(), ids.end(), c.id) == ids.end()) ids.push_back(c.id);

  std::vector<Json> objetos;
  for (const auto& id : ids) {
    const auto* r = remoto(id);
    auto i = std::find_if(lista.begin(), lista.end(), [&](const auto& c) { return c.id == id; });
    const ComponenteInstalado* inst = i == lista.end() ? nullptr : &*i;
    auto error = errores.find(id);
    Json o = {
        {"id", id},
        {"nombre", r      ? r->nombre
                   : inst ? inst->nombre
                          : id},
        {"descripcion", r ? r->descripcion.value_or("") : ""},
        {"app", r      ? r->app
                : inst ? inst->app
                       : ""},
        {"version", r ? r->version : ""},
        {"canal", r ? r->canal.value_or("") : ""},
        {"novedades",
         r ? r->novedades.value_or(std::vector<std::string>{}) : std::vector<std::string>{}},
        {"tam", r ? r->tam.value_or(0) : 0},
        {"instalado", inst != nullptr},
        {"activado", inst && inst->activado},
        {"enUso", enUso(id)},
        {"descargando", descargando.contains(id)},
        {"nueva", r && inst && nuevaFrente(*r, *inst)},
        {"pendiente", inst ? inst->pendiente.value_or("") : ""},
        {"error", error != errores.end() ? error->second
                  : inst                 ? inst->error.value_or("")
                                         : ""},
    };
    if (inst) o["verInstalada"] = inst->version + (inst->build ? " · " + *inst->build : "");
    objetos.push_back(std::move(o));
  }
  return objetos;
}

std::vector<Json> Componentes::reporte() {
  std::vector<Json> lista;
  for (const auto& c : instalados())
    lista.push_back(
        {{"id", "comp:" + c.id}, {"version", c.version}, {"build", c.build.value_or("")}});
  return lista;
}

}  // namespace orvo
