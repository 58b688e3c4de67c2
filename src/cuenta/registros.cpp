#include "cuenta/registros.h"

namespace orvo {

Usuario Usuario::desdeJson(const Objeto& o) {
  return {o.req<std::string>("nombre"), o.req<std::string>("email"), o.req<std::string>("rol"),
          o.req<std::string>("canal")};
}

Json Usuario::aJson() const {
  return Escritor()
      .poner("nombre", nombre)
      .poner("email", email)
      .poner("rol", rol)
      .poner("canal", canal)
      .json();
}

Aviso Aviso::desdeJson(const Objeto& o) {
  return {o.req<int64_t>("id"), o.req<std::string>("titulo"), o.opt<std::string>("texto"),
          o.opt<std::string>("app"), o.opt<std::string>("creado")};
}

Json Aviso::aJson() const {
  return Escritor()
      .poner("id", id)
      .poner("titulo", titulo)
      .poner("texto", texto)
      .poner("app", app)
      .poner("creado", creado)
      .json();
}

}  // namespace orvo
