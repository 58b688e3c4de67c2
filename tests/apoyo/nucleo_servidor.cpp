#include "apoyo/nucleo_servidor.h"

namespace orvo::prueba {

NucleoEnServidor::NucleoEnServidor(std::string token) : token(std::move(token)) {
  sistema.dentroDe(t.ruta(), apps, datos);
  servicio.clienteEn(datos, this->token);
  manifiesto(Json::object());
  nucleo_ = std::make_unique<Nucleo>(
      Plataforma{bucle, http, espacio, sistema, descargas_, permisos_, condiciones});
}

void NucleoEnServidor::manifiesto(Json m) {
  m["formato"] = "orvo-suite";
  m["version"] = 1;
  m["apps"] = Json::array();
  servicio.manifiesto(token, m.dump());
}

void NucleoEnServidor::revisar() {
  bool listo = false;
  catalogo().revisar([&] { listo = true; });
  ASSERT_TRUE(bucle.esperarHasta([&] { return listo; }));
  ASSERT_TRUE(catalogo().manifiesto) << catalogo().errorFuente.value_or("");
}

}  // namespace orvo::prueba
