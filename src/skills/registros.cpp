#include "skills/registros.h"

#include "comun/acotar.h"

namespace orvo {

Dueno Dueno::desdeJson(const Objeto& o) {
  return {acotar(o.opt<std::string>("nombre"), kTextoCorto),
          acotar(o.opt<std::string>("email"), kTextoCorto)};
}

Json Dueno::aJson() const {
  return Escritor().poner("nombre", nombre).poner("email", email).json();
}

SkillRemota SkillRemota::desdeJson(const Objeto& o) {
  SkillRemota s;
  s.id = o.req<std::string>("id");
  // What the service names is kept in instaladas.json: bounded as it arrives, so every
  // later comparison sees the same text.
  s.nombre = acotar(o.req<std::string>("nombre"), kTextoCorto);
  s.descripcion = o.opt<std::string>("descripcion");
  s.version = acotar(o.opt<std::string>("version"), kTextoCorto);
  s.build = acotar(o.opt<std::string>("build"), kTextoCorto);
  s.url = o.opt<std::string>("url");
  s.tam = o.opt<int64_t>("tam");
  s.sha256 = o.opt<std::string>("sha256");
  s.alcance = acotar(o.opt<std::string>("alcance"), kTextoCorto);
  s.estado = o.opt<std::string>("estado");
  s.mia = o.opt<bool>("mia");
  s.requiere_confirmacion = o.opt<bool>("requiere_confirmacion");
  s.dueno = o.opt<Dueno>("dueno");
  return s;
}

Json SkillRemota::aJson() const {
  Escritor e;
  e.poner("id", id).poner("nombre", nombre).poner("descripcion", descripcion);
  e.poner("version", version).poner("build", build).poner("url", url).poner("tam", tam);
  e.poner("sha256", sha256).poner("alcance", alcance).poner("estado", estado).poner("mia", mia);
  e.poner("requiere_confirmacion", requiere_confirmacion).poner("dueno", dueno);
  return e.json();
}

SkillInstalada SkillInstalada::desdeJson(const Objeto& o) {
  SkillInstalada s;
  s.id = o.req<std::string>("id");
  s.nombre = o.req<std::string>("nombre");
  s.version = o.req<std::string>("version");
  s.build = o.opt<std::string>("build");
  s.alcance = o.opt<std::string>("alcance");
  s.dueno = o.opt<std::string>("dueno");
  s.ruta = o.req<std::string>("ruta");
  s.instalada = o.req<std::string>("instalada");
  s.huella = o.req<std::string>("huella");
  s.modificada = o.req<bool>("modificada");
  s.nueva = o.opt<std::string>("nueva");
  return s;
}

Json SkillInstalada::aJson() const {
  Escritor e;
  e.poner("id", id).poner("nombre", nombre).poner("version", version).poner("build", build);
  e.poner("alcance", alcance).poner("dueno", dueno).poner("ruta", ruta);
  e.poner("instalada", instalada).poner("huella", huella).poner("modificada", modificada);
  e.poner("nueva", nueva);
  return e.json();
}

InstaladasSkills InstaladasSkills::desdeJson(const Objeto& o) {
  InstaladasSkills d{o.req<std::vector<SkillInstalada>>("skills"),
                     o.req<std::map<std::string, std::string>>("errores"),
                     o.opt<std::string>("actualizado")};
  for (auto& [id, error] : d.errores) error = acotar(std::move(error), kTextoLargo);
  return d;
}

Json InstaladasSkills::aJson() const {
  return Escritor()
      .poner("skills", skills)
      .poner("errores", errores)
      .poner("actualizado", actualizado)
      .json();
}

ColocadasSkills ColocadasSkills::desdeJson(const Objeto& o) {
  return {o.req<std::vector<SkillInstalada>>("skills")};
}

Json ColocadasSkills::aJson() const { return Escritor().poner("skills", skills).json(); }

RespuestaSkill RespuestaSkill::desdeJson(const Objeto& o) {
  return {o.opt<SkillRemota>("skill"), acotar(o.opt<std::string>("error"), kTextoLargo)};
}

Json RespuestaSkill::aJson() const {
  return Escritor().poner("skill", skill).poner("error", error).json();
}

}  // namespace orvo
