#include "catalogo/catalogo.h"

#include <system_error>

#include "comun/archivos.h"
#include "comun/log.h"
#include "comun/url.h"
#include "cuenta/cuenta.h"
#include "cuenta/tokens.h"

namespace orvo {

namespace {

std::filesystem::path carpetaDeDatos(Sistema& s) {
  auto datos = s.entorno("OV_DATOS");
  std::filesystem::path p =
      datos && !datos->empty() ? std::filesystem::path(*datos) : s.carpetaDatos() / "Orvo Suite";
  std::error_code e;
  std::filesystem::create_directories(p, e);
  return p;
}

std::string viejaFuente(const std::filesystem::path& casa) {
  return casa.string() + "/Desktop/Instaladores/orvo-suite";
}

}  // namespace

std::string Catalogo::fuentePorDefecto(const std::filesystem::path& casa) {
  return servicioPorDefecto().empty() ? viejaFuente(casa) : servicioPorDefecto();
}

std::filesystem::path Catalogo::carpetaDeApps(Sistema& s) {
  auto destino = s.entorno("OV_DESTINO");
  return destino && !destino->empty() ? std::filesystem::path(*destino) : "/Applications";
}

Catalogo::Catalogo(Plataforma& plataforma, Vecinos& vecinos)
    : aplicaciones(carpetaDeApps(plataforma.sistema)),
      carpeta(carpetaDeDatos(plataforma.sistema)),
      ajustes(Ajustes::porDefecto(fuentePorDefecto(plataforma.sistema.carpetaPersonal()))),
      plataforma_(plataforma),
      vecinos_(vecinos) {
  Log::usarCarpeta(carpeta);
  ajustes = leerDocumento(carpeta / "ajustes.json", ajustes);
  auto casa = plataforma.sistema.carpetaPersonal();
  if (!servicioPorDefecto().empty() && ajustes.fuente == viejaFuente(casa)) {
    ajustes.fuente = servicioPorDefecto();
    (void)guardarDocumentoCompacto(carpeta / "ajustes.json", ajustes.aJson());
  }
  registro = leerDocumento(carpeta / "registro.json", registro);
}

Base Catalogo::base() const {
  return baseDe(ajustes.fuente, plataforma_.sistema.carpetaPersonal());
}

Ubicacion Catalogo::urlDe(const std::string& texto) const { return resolverEn(base(), texto); }

PeticionHttp Catalogo::solicitud(const std::string& url) const {
  PeticionHttp p;
  p.url = url;
  p.espera = 60;
  auto b = base();
  if (b.esServidor() && admiteSecretos(url)) {
    auto tokens = leerTokens(carpeta);
    if (auto t = tokens.find(*b.servidor); t != tokens.end()) {
      p.cabeceras.emplace_back("X-Orvo-Token", t->second);
      p.privada = true;
    }
  }
  return p;
}

bool Catalogo::necesitaLogin() const {
  auto b = base();
  if (!b.esServidor()) return false;
  return !leerTokens(carpeta).contains(*b.servidor);
}

std::string Catalogo::equipo() {
  if (!ajustes.equipo) {
    ajustes.equipo = uuidMayusculas();
    guardar(ajustes.aJson(), "ajustes.json");
    avisar();
  }
  return *ajustes.equipo;
}

void Catalogo::cambiarAjustes(const std::function<void(Ajustes&)>& cambio) {
  cambio(ajustes);
  guardar(ajustes.aJson(), "ajustes.json");
  avisar();
}

void Catalogo::guardar(const Json& valor, const std::string& nombre) const {
  (void)guardarDocumento(carpeta / nombre, valor);
}

void Catalogo::anotarInstalada(const AppRemota& app) {
  // The entry it replaces describes the version that the swap has just kept as backup.
  if (auto v = registro.apps.find(app.id); v != registro.apps.end())
    registro.anteriores[app.id] = v->second;
  else
    registro.anteriores.erase(app.id);
  registro.apps[app.id] = Instalada{app.version, app.build, ahoraUtc()};
  guardar(registro.aJson(), "registro.json");
}

void Catalogo::cerrarSesion() {
  vecinos_.cuenta().salir(base().texto());
  manifiesto.reset();
  avisar();
}

void Catalogo::avisar() const {
  if (alCambiar) alCambiar();
}

}  // namespace orvo
