// The archive's way in from a real server: behind redirects, and from one that stalls.
#include "banco.h"

namespace orvo::prueba {
namespace {

RespuestaPrueba redirigir(const std::string& a) {
  return RespuestaPrueba{302, "", "text/plain", {{"Location", a}}};
}

// The token goes to its own origin only: a redirect within it keeps it, one to another
// server drops it, and the archive still installs from there.
TEST_F(Banco, UnArchivoTrasRedireccionesSeInstala) {
  ServidorPrueba otro;
  auto r = publicar("lejos", "1.0", std::nullopt, {.archivos = {{"datos.txt", "uno"}}});
  otro.publicar("/lejos.zip", {.datos = leer(t / "zips/lejos-1.0.zip")});
  servidor.alRuta("/r/lejos.zip", [](const PeticionRecibida&) { return redirigir("/r/aqui.zip"); });
  servidor.alRuta("/r/aqui.zip",
                  [&](const PeticionRecibida&) { return redirigir(otro.base() + "lejos.zip"); });
  r.url = "r/lejos.zip";
  instalarYa(r);
  EXPECT_EQ(leer(carpeta() / "lejos/datos.txt"), "uno");
  for (const auto& p : servidor.peticiones()) {
    if (p.ruta.starts_with("/r/")) {
      EXPECT_EQ(p.cabecera("X-Orvo-Token"), "T-comp") << p.ruta;
    }
  }
  ASSERT_EQ(otro.peticiones().size(), 1u);
  EXPECT_EQ(otro.peticiones()[0].cabecera("X-Orvo-Token"), "");
}

}  // namespace
}  // namespace orvo::prueba
