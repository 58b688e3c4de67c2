#include "plataforma/linux/redireccion.h"

#include "comun/url.h"

namespace orvo {

Resultado<PeticionHttp> saltoDeRedireccion(const PeticionHttp& peticion, const std::string& destino,
                                           int saltos) {
  constexpr int kMaxSaltos = 10;
  using R = Resultado<PeticionHttp>;
  if (saltos > kMaxSaltos) return R::fallo("el servidor redirigió demasiadas veces");
  auto de = origenDe(peticion.url), a = origenDe(destino);
  if (de && de->starts_with("https:") && !(a && a->starts_with("https:")))
    return R::fallo("el servidor desvió la descarga a una dirección sin cifrar");
  auto siguiente = peticion;
  siguiente.url = destino;
  // The secret stays with its origin.
  if (a != de) siguiente.cabeceras.clear();
  return R::exito(std::move(siguiente));
}

}  // namespace orvo
