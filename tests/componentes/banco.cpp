#include "banco.h"

#include <nlohmann/json.hpp>

#include "apoyo/ordenes.h"
#include "comun/archivos.h"
#include "comun/sha256.h"
#include "cuenta/tokens.h"

namespace orvo::prueba {

namespace fs = std::filesystem;

namespace {
const char* kToken = "T-comp";
}

Banco::Banco() : apps(t / "Aplicaciones"), datos(t / "datos") {
  fs::create_directories(apps);
  fs::create_directories(t / "casa");
  sistema.casa = t / "casa";
  sistema.datos = t / "xdg";
  sistema.variables["OV_DESTINO"] = apps.string();
  sistema.variables["OV_DATOS"] = datos.string();
  espacio = std::make_unique<EspacioLinux>(apps, t / "xdg" / "applications", bucle);
  nucleo_ =
      std::make_unique<Nucleo>(Plataforma{bucle, http, *espacio, sistema, descargas, permisos});
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
  (void)escribirTokens(datos, {{servidor.base(), kToken}});
  comp().alCambiar = [this] { ++cambios; };
}

Banco::~Banco() { nucleo_.reset(); }

ComponenteRemoto Banco::publicar(const std::string& id, const std::string& version,
                                 std::optional<std::string> build, Contenido contenido) {
  auto nombre = id + "-" + version + (build ? "-" + *build : "");
  auto obra = t / "obra" / nombre;
  fs::remove_all(obra);
  fs::create_directories(obra);
  nlohmann::json d = {{"id", id}, {"version", version}};
  if (contenido.entrada) d["entrada"] = *contenido.entrada;
  t.escribir("obra/" + nombre + "/componente.json", contenido.descriptor.value_or(d.dump()));
  for (const auto& [ruta, texto] : contenido.archivos)
    t.escribir("obra/" + nombre + "/" + ruta, texto);
  auto zip = t / "zips" / (nombre + ".zip");
  fs::create_directories(zip.parent_path());
  fs::remove(zip);
  EXPECT_EQ(
      ejecutar("cd '" + obra.string() + "' && /usr/bin/zip -qry '" + zip.string() + "' .").estado,
      0);
  servidor.publicar("/c/" + nombre + ".zip", {.datos = *leerArchivo(zip)});
  ComponenteRemoto r;
  r.id = id;
  r.nombre = "Componente " + id;
  r.app = "Orvo Notas";
  r.version = version;
  r.build = build;
  r.entrada = contenido.entrada;
  r.url = "c/" + nombre + ".zip";
  r.tam = static_cast<int64_t>(fs::file_size(zip));
  r.sha256 = sha256(zip);
  return r;
}

void Banco::manifiesto(const std::vector<ComponenteRemoto>& componentes) {
  Manifiesto m;
  m.formato = "orvo-suite";
  m.version = 2;
  m.componentes = componentes;
  servicio.manifiesto(kToken, m.aJson().dump());
}

void Banco::revisar() {
  bool listo = false;
  catalogo().revisar([&] { listo = true; });
  ASSERT_TRUE(bucle.esperarHasta([&] { return listo; }));
}

bool Banco::esperarDescargas() {
  return bucle.esperarHasta([&] { return comp().descargando.empty(); }, 20);
}

void Banco::refrescar(const std::vector<ComponenteRemoto>& componentes) {
  manifiesto(componentes);
  revisar();
  EXPECT_TRUE(esperarDescargas());
}

void Banco::instalarYa(const ComponenteRemoto& r) {
  refrescar({r});
  comp().instalar(r.id);
  EXPECT_TRUE(esperarDescargas());
  EXPECT_TRUE(comp().instalado(r.id)) << comp().errores[r.id];
}

size_t Banco::descargasDe(const std::string& id) const {
  size_t n = 0;
  for (const auto& p : servidor.peticiones()) n += p.ruta.starts_with("/c/" + id + "-");
  return n;
}

void Banco::marcar(const std::string& id, const std::string& pid) {
  t.escribir("datos/componentes/" + id + "/.en-uso", pid);
}

std::string Banco::log() const { return leerArchivo(datos / "suite.log").value_or(""); }

namespace {
fs::path guion(const CarpetaTemporal& t) {
  auto ruta = t.escribir("usuario.sh", kScriptQueEspera);
  fs::permissions(ruta, fs::perms(0755));
  return ruta;
}
}  // namespace

AppEnUso::AppEnUso(const CarpetaTemporal& t) : proceso(guion(t)) {}

}  // namespace orvo::prueba
