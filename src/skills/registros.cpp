#include "skills/registros.h"

namespace orvo {

Dueno Dueno::desdeJson(const Objeto& o) {
  return {o.opt<std::string>("nombre"), o.opt<std::string>("email")};
}

Json Dueno::aJson() const {
  return Escritor().poner("nombre", nombre).poner("email", email).json();
}

SkillRemota SkillRemota::desdeJson(const Objeto& o) {
  SkillRemota s;
  s.id = o.req<std::string>("id");
  s.nombre = o.req<std::string>("nombre");
  s.descripcion = o.opt<std::string>("descripcion");
  s.version = o.opt<std::string>("version");
  s.build = o.opt<std::string>("build");
  s.url = o.opt<std::string>("url");
  s.tam = o.opt<int64_t>("tam");
  s.sha256 = o.opt<std::string>("sha256");
  s.alcance = o.opt<std::string>("alcance");
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

}  // namespace orvo
