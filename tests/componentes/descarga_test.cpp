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

// A minute of silence ends the download (played here as a second): the id does not stay
// "descargando", and the next request downloads again.
TEST_F(Banco, UnaDescargaDetenidaTerminaYLaSiguienteInstala) {
  auto r = publicar("parado", "1.0");
  servidor.publicar(
      "/c/parado-1.0.zip",
      {.datos = leer(t / "zips/parado-1.0.zip"), .detenerTras = 1, .detencionesRestantes = 1});
  http.escala = 1.0 / 60;
  refrescar({r});
  comp().instalar("parado");
  ASSERT_TRUE(esperarDescargas());
  EXPECT_TRUE(comp().errores["parado"].starts_with("Se cortó la descarga: se agotó el tiempo"))
      << comp().errores["parado"];
  EXPECT_FALSE(comp().instalado("parado"));
  comp().instalar("parado");
  EXPECT_TRUE(comp().descargando.contains("parado"));
  ASSERT_TRUE(esperarDescargas());
  EXPECT_TRUE(comp().instalado("parado")) << comp().errores["parado"];
}

}  // namespace
}  // namespace orvo::prueba
