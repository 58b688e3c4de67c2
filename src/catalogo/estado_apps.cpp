// Per-app status: where an app is installed, which version, whether it runs, whether
// the manifest offers something newer.
#include <system_error>

#include "catalogo/bundle_valido.h"
#include "catalogo/catalogo.h"
#include "catalogo/nombre_app.h"
#include "comun/versiones.h"

namespace orvo {

std::vector<std::string> Catalogo::bundles(const AppRemota& app) const {
  std::vector<std::string> ids{app.bundle};
  if (auto e = bundlesAnteriores().find(app.id); e != bundlesAnteriores().end())
    for (const auto& b : e->second)
      if (b != app.bundle) ids.push_back(b);
  return ids;
}

std::optional<AppEnMarcha> Catalogo::abierta(const AppRemota& app) const {
  for (const auto& id : bundles(app))
    for (const auto& a : plataforma_.espacio.enMarcha(id))
      if (!plataforma_.espacio.terminada(a)) return a;
  return std::nullopt;
}

namespace {

// Whether one of `ids` runs, from a scan already made.
bool entre(const std::vector<AppEnMarcha>& enMarcha, const std::vector<std::string>& ids) {
  for (const auto& a : enMarcha)
    for (const auto& id : ids)
      if (a.bundle == id) return true;
  return false;
}

}  // namespace

std::optional<std::filesystem::path> Catalogo::rutaInstalada(const AppRemota& app) const {
  // The program itself is installed where it runs, inside the applications folder or not.
  if (auto propio = plataforma_.sistema.bundlePropio(); propio && *propio == app.bundle)
    if (auto ruta = plataforma_.sistema.rutaPropia()) return ruta;
  auto prefijo = aplicaciones.string();
  if (!prefijo.ends_with("/")) prefijo += "/";
  for (const auto& id : bundles(app))
    if (auto r = plataforma_.espacio.ubicar(id); r && r->string().starts_with(prefijo)) return r;
  if (!esNombreDeApp(app.app)) return std::nullopt;
  std::error_code e;
  auto ruta = aplicaciones / app.app;
  if (std::filesystem::exists(std::filesystem::symlink_status(ruta, e))) return ruta;
  return std::nullopt;
}

std::optional<VersionInstalada> Catalogo::versionInstalada(const AppRemota& app) const {
  auto ruta = rutaInstalada(app);
  return ruta ? versionEn(app, *ruta) : std::nullopt;
}

std::optional<VersionInstalada> Catalogo::versionEn(const AppRemota& app,
                                                    const std::filesystem::path& ruta,
                                                    bool respaldo) const {
  auto info = plataforma_.espacio.infoPlist(ruta);
  if (!info) return std::nullopt;
  VersionInstalada v;
  auto texto = info->find("CFBundleShortVersionString");
  v.version = texto != info->end() ? texto->second : "?";
  if (auto b = info->find("OrvoBuild"); b != info->end()) {
    v.build = b->second;
    return v;
  }
  // A crash between a swap and its record leaves the two entries the other way round.
  const auto* primero = respaldo ? &registro.anteriores : &registro.apps;
  const auto* segundo = respaldo ? &registro.apps : &registro.anteriores;
  for (const auto* entradas : {primero, segundo})
    if (auto r = entradas->find(app.id); r != entradas->end() && r->second.version == v.version) {
      v.build = r->second.build;
      break;
    }
  return v;
}

std::optional<std::filesystem::path> Catalogo::rutaRespaldo(const AppRemota& app) const {
  if (!esNombreDeApp(app.app)) return std::nullopt;
  return carpeta / "respaldo" / app.app;
}

std::optional<VersionInstalada> Catalogo::anterior(const AppRemota& app) const {
  auto ruta = rutaRespaldo(app);
  if (!ruta || !rutaInstalada(app) || revisarBundle(*ruta, bundles(app), plataforma_.espacio))
    return std::nullopt;
  return versionEn(app, *ruta, true);
}

bool Catalogo::omitida(const AppRemota& app) const {
  auto o = ajustes.omitidas.find(app.id);
  return o != ajustes.omitidas.end() && o->second == textoVersion(app.version, app.build);
}

bool Catalogo::hayNueva(const AppRemota& app) const {
  auto ruta = rutaInstalada(app);
  if (!ruta) return false;
  auto inst = versionEn(app, *ruta);
  return inst && nuevaFrente(app, *inst, *ruta);
}

bool Catalogo::nuevaFrente(const AppRemota& app, const VersionInstalada& inst,
                           const std::filesystem::path& ruta) const {
  if (compararVersiones(app.version, inst.version) == 1) return true;
  if (app.version != inst.version) return false;
  if (app.build && inst.build && *app.build == *inst.build) return false;
  if (auto fecha = app.fecha ? leerFecha(*app.fecha) : std::nullopt) {
    if (auto mod = plataforma_.espacio.modificado(ruta / "Contents" / "Info.plist"))
      return *fecha - *mod > std::chrono::seconds(2);
  }
  return app.build && inst.build;
}

std::vector<Json> Catalogo::estadoApps() const {
  std::vector<Json> lista;
  if (!manifiesto) return lista;
  // One /proc scan for the whole list, however long it is.
  auto enMarcha = plataforma_.espacio.appsEnMarcha();
  for (const auto& app : manifiesto->apps) {
    auto ruta = rutaInstalada(app);
    auto inst = ruta ? versionEn(app, *ruta) : std::nullopt;
    Json e = {{"id", app.id},
              {"nombre", app.nombre},
              {"version", app.version},
              {"build", app.build.value_or("")},
              {"instalada", inst.has_value()},
              {"abierta", entre(enMarcha, bundles(app))},
              {"nueva", inst && nuevaFrente(app, *inst, *ruta)},
              {"tam", app.tam.value_or(0)},
              {"novedades", app.novedades.value_or(std::vector<std::string>{})},
              {"firmada", app.firmada.value_or(false)},
              {"canal", app.canal.value_or("")}};
    e["omitida"] = omitida(app);
    if (inst) {
      e["verInstalada"] = textoVersion(inst->version, inst->build);
      if (auto a = anterior(app)) e["anterior"] = textoVersion(a->version, a->build);
    }
    lista.push_back(std::move(e));
  }
  return lista;
}

}  // namespace orvo
