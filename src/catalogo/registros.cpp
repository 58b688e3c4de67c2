#include "catalogo/registros.h"

#include "comun/archivos.h"

namespace orvo {

AppRemota AppRemota::desdeJson(const Objeto& o) {
  AppRemota a;
  a.id = o.req<std::string>("id");
  a.nombre = o.req<std::string>("nombre");
  a.bundle = o.req<std::string>("bundle");
  a.app = o.req<std::string>("app");
  a.version = o.req<std::string>("version");
  a.build = o.opt<std::string>("build");
  a.fecha = o.opt<std::string>("fecha");
  a.creada = o.opt<std::string>("creada");
  a.url = o.req<std::string>("url");
  a.tam = o.opt<int64_t>("tam");
  a.sha256 = o.opt<std::string>("sha256");
  a.novedades = o.opt<std::vector<std::string>>("novedades");
  a.firmada = o.opt<bool>("firmada");
  a.canal = o.opt<std::string>("canal");
  return a;
}

Json AppRemota::aJson() const {
  Escritor e;
  e.poner("id", id).poner("nombre", nombre).poner("bundle", bundle).poner("app", app);
  e.poner("version", version).poner("build", build).poner("fecha", fecha).poner("creada", creada);
  e.poner("url", url).poner("tam", tam).poner("sha256", sha256).poner("novedades", novedades);
  e.poner("firmada", firmada).poner("canal", canal);
  return e.json();
}

Manifiesto Manifiesto::desdeJson(const Objeto& o) {
  Manifiesto m;
  m.formato = o.req<std::string>("formato");
  m.version = o.req<int64_t>("version");
  m.apps = o.req<std::vector<AppRemota>>("apps");
  m.componentes =
      o.opt<std::vector<ComponenteRemoto>>("componentes").value_or(std::vector<ComponenteRemoto>{});
  m.skills = o.opt<std::vector<SkillRemota>>("skills").value_or(std::vector<SkillRemota>{});
  m.skills_quitar =
      o.opt<std::vector<std::string>>("skills_quitar").value_or(std::vector<std::string>{});
  m.avisos = o.opt<std::vector<Aviso>>("avisos").value_or(std::vector<Aviso>{});
  m.usuario = o.opt<Usuario>("usuario");
  return m;
}

Json Manifiesto::aJson() const {
  Escritor e;
  e.poner("formato", formato).poner("version", version).poner("apps", apps);
  e.poner("componentes", componentes).poner("skills", skills);
  e.poner("skills_quitar", skills_quitar).poner("avisos", avisos).poner("usuario", usuario);
  return e.json();
}

Ajustes Ajustes::porDefecto(std::string fuente) {
  Ajustes a;
  a.fuente = std::move(fuente);
  return a;
}

Ajustes Ajustes::desdeJson(const Objeto& o) {
  return {o.req<std::string>("fuente"),
          o.req<bool>("instalarAlCerrar"),
          o.req<std::map<std::string, bool>>("componentes"),
          o.req<std::map<std::string, bool>>("avisar"),
          o.opt<std::string>("equipo"),
          o.opt<std::map<std::string, std::string>>("omitidas")
              .value_or(std::map<std::string, std::string>{})};
}

Json Ajustes::aJson() const {
  return Escritor()
      .poner("fuente", fuente)
      .poner("instalarAlCerrar", instalarAlCerrar)
      .poner("componentes", componentes)
      .poner("avisar", avisar)
      .poner("equipo", equipo)
      .poner("omitidas", omitidas.empty() ? std::nullopt : std::optional(omitidas))
      .json();
}

Instalada Instalada::desdeJson(const Objeto& o) {
  Instalada i;
  i.version = o.req<std::string>("version");
  i.build = o.opt<std::string>("build");
  auto texto = o.req<std::string>("fecha");
  auto fecha = leerFecha(texto);
  // Only whole seconds with a zone are ours; anything else means the file is not ours.
  if (!fecha) throw FalloJson("«" + o.ruta() + ".fecha» no es una fecha ISO 8601 válida");
  i.fecha = *fecha;
  return i;
}

Json Instalada::aJson() const {
  return Escritor()
      .poner("version", version)
      .poner("build", build)
      .poner("fecha", textoFecha(fecha))
      .json();
}

Registro Registro::desdeJson(const Objeto& o) {
  return {o.req<std::map<std::string, Instalada>>("apps"),
          o.opt<std::map<std::string, Instalada>>("anteriores")
              .value_or(std::map<std::string, Instalada>{})};
}

Json Registro::aJson() const {
  // Files of earlier versions had no backups recorded; an empty list keeps their form.
  return Escritor()
      .poner("apps", apps)
      .poner("anteriores", anteriores.empty() ? std::nullopt : std::optional(anteriores))
      .json();
}

std::string textoVersion(const std::string& version, const std::optional<std::string>& build) {
  return build ? version + " \u00b7 " + *build : version;
}

Error guardarDocumento(const std::filesystem::path& ruta, const Json& valor) {
  return escribirAtomico(ruta, jsonBonito(valor));
}

Error guardarDocumentoCompacto(const std::filesystem::path& ruta, const Json& valor) {
  return escribirDirecto(ruta, jsonCompacto(valor));
}

}  // namespace orvo
