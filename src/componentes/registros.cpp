#include "componentes/registros.h"

#include <cmath>

#include "comun/acotar.h"

namespace orvo {

// Decoding order matters: null, then boolean before number, so `true` never becomes 1.
ValorJSON ValorJSON::desde(const Json& j) {
  if (j.is_null()) return {Nulo{}};
  if (j.is_boolean()) return {j.get<bool>()};
  if (j.is_number()) return {j.get<double>()};
  if (j.is_string()) return {j.get<std::string>()};
  if (j.is_array()) {
    Lista l;
    for (const auto& e : j) l.push_back(desde(e));
    return {std::move(l)};
  }
  Mapa m;
  for (auto it = j.begin(); it != j.end(); ++it) m.emplace(it.key(), desde(it.value()));
  return {std::move(m)};
}

ValorJSON ValorJSON::desdeJson(const Objeto& o) { return desde(o.json()); }

Json ValorJSON::aJson() const {
  return std::visit(
      [](const auto& x) -> Json {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, Nulo>) {
          return nullptr;
        } else if constexpr (std::is_same_v<T, Lista>) {
          Json a = Json::array();
          for (const auto& e : x) a.push_back(e.aJson());
          return a;
        } else if constexpr (std::is_same_v<T, Mapa>) {
          Json o = Json::object();
          for (const auto& [k, e] : x) o[k] = e.aJson();
          return o;
        } else if constexpr (std::is_same_v<T, double>) {
          // A whole number goes back as it came, 1 and not 1.0; past 2^53 a double is no
          // longer exact, so it stays one.
          if (x == std::trunc(x) && std::fabs(x) < 0x1p53) return static_cast<int64_t>(x);
          return x;
        } else {
          return Json(x);
        }
      },
      v);
}

namespace {
// `usos` may be any kind, so it bypasses the typed readers (which refuse objects-as-records).
std::optional<ValorJSON> leerUsos(const Objeto& o) {
  auto it = o.json().find("usos");
  if (it == o.json().end() || it->is_null()) return std::nullopt;
  return ValorJSON::desde(*it);
}
}  // namespace

ComponenteRemoto ComponenteRemoto::desdeJson(const Objeto& o) {
  ComponenteRemoto c;
  c.id = o.req<std::string>("id");
  // The texts instalados.json keeps are bounded as they arrive, so every later comparison
  // sees the same text.
  c.nombre = acotar(o.req<std::string>("nombre"), kTextoCorto);
  c.descripcion = o.opt<std::string>("descripcion");
  c.app = acotar(o.req<std::string>("app"), kTextoCorto);
  c.version = acotar(o.req<std::string>("version"), kTextoCorto);
  c.build = acotar(o.opt<std::string>("build"), kTextoCorto);
  c.entrada = o.opt<std::string>("entrada");
  c.ui = o.opt<std::string>("ui");
  c.icono = o.opt<std::string>("icono");
  c.minApp = o.opt<std::string>("minApp");
  c.url = o.req<std::string>("url");
  c.tam = o.opt<int64_t>("tam");
  c.sha256 = o.opt<std::string>("sha256");
  c.novedades = o.opt<std::vector<std::string>>("novedades");
  c.canal = o.opt<std::string>("canal");
  c.migrarDe = o.opt<std::string>("migrarDe");
  c.color = o.opt<std::string>("color");
  c.usos = leerUsos(o);
  return c;
}

Json ComponenteRemoto::aJson() const {
  Escritor e;
  e.poner("id", id).poner("nombre", nombre).poner("descripcion", descripcion).poner("app", app);
  e.poner("version", version).poner("build", build).poner("entrada", entrada).poner("ui", ui);
  e.poner("icono", icono).poner("minApp", minApp).poner("url", url).poner("tam", tam);
  e.poner("sha256", sha256).poner("novedades", novedades).poner("canal", canal);
  e.poner("migrarDe", migrarDe).poner("color", color).poner("usos", usos);
  return e.json();
}

ComponenteInstalado ComponenteInstalado::desdeJson(const Objeto& o) {
  ComponenteInstalado c;
  c.id = o.req<std::string>("id");
  c.nombre = o.req<std::string>("nombre");
  c.app = o.req<std::string>("app");
  c.version = o.req<std::string>("version");
  c.build = o.opt<std::string>("build");
  c.activado = o.req<bool>("activado");
  c.ruta = o.req<std::string>("ruta");
  c.instalado = o.req<std::string>("instalado");
  c.pendiente = o.opt<std::string>("pendiente");
  c.error = acotar(o.opt<std::string>("error"), kTextoLargo);
  return c;
}

Json ComponenteInstalado::aJson() const {
  Escritor e;
  e.poner("id", id).poner("nombre", nombre).poner("app", app).poner("version", version);
  e.poner("build", build).poner("activado", activado).poner("ruta", ruta);
  e.poner("instalado", instalado).poner("pendiente", pendiente).poner("error", error);
  return e.json();
}

InstaladosComp InstaladosComp::desdeJson(const Objeto& o) {
  return {o.req<std::vector<ComponenteInstalado>>("componentes"),
          o.opt<std::string>("actualizado")};
}

Json InstaladosComp::aJson() const {
  return Escritor().poner("componentes", componentes).poner("actualizado", actualizado).json();
}

Disp Disp::desdeJson(const Objeto& o) {
  return {o.req<std::vector<ComponenteRemoto>>("componentes"), o.req<std::string>("actualizado")};
}

Json Disp::aJson() const {
  return Escritor().poner("componentes", componentes).poner("actualizado", actualizado).json();
}

}  // namespace orvo
