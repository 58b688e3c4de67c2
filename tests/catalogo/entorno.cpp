#include "entorno.h"

namespace orvo::prueba {

Entorno::Entorno() : apps(t / "Aplicaciones"), datos(t / "datos") {
  std::filesystem::create_directories(apps);
  std::filesystem::create_directories(t / "casa");
  sistema.casa = t / "casa";
  sistema.datos = t / "xdg";
  sistema.variables["OV_DESTINO"] = apps.string();
  sistema.variables["OV_DATOS"] = datos.string();
  espacio = std::make_unique<EspacioLinux>(apps, t / "xdg" / "applications", bucle);
  arrancar();
}

Entorno::~Entorno() { nucleo_.reset(); }

void Entorno::arrancar() {
  nucleo_.reset();
  nucleo_ = std::make_unique<NucleoPrueba>(
      Plataforma{bucle, http, *espacio, sistema, descargas, permisos});
  catalogo().alCambiar = [this] { ++cambios; };
}

void Entorno::revisar() {
  bool listo = false;
  catalogo().revisar([&] { listo = true; });
  ASSERT_TRUE(bucle.esperarHasta([&] { return listo; }));
}

Error Entorno::entrar(const std::string& s, const std::string& email, const std::string& clave) {
  std::optional<Error> r;
  cuenta().entrar(s, email, clave, "1.0", [&](Error e) { r = e; });
  EXPECT_TRUE(bucle.esperarHasta([&] { return r.has_value(); }));
  return r.value_or("sin respuesta");
}

bool Entorno::esperarPeticiones(const std::string& accion, size_t n) {
  return bucle.esperarHasta([&] { return servidor.peticionesDe(accion).size() >= n; });
}

}  // namespace orvo::prueba
