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

Banco::Banco() {
  sistema.dentroDe(t.ruta(), apps, datos);
  nucleo_ =
      std::make_unique<Nucleo>(Plataforma{bucle, http, espacio, sistema, descargas, permisos});
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
  (void)escribirTokens(datos, {{servidor.base(), kToken}});
  comp().alCambiar = [this] { ++cambios; };
}

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
  return {.id = id,
          .nombre = "Componente " + id,
          .app = "Orvo Notas",
          .version = version,
          .build = build,
          .entrada = contenido.entrada,
          .url = "c/" + nombre + ".zip",
          .tam = static_cast<int64_t>(fs::file_size(zip)),
          .sha256 = sha256(zip)};
}

void Banco::manifiesto(const std::vector<ComponenteRemoto>& componentes) {
  servicio.manifiesto(
      kToken,
      Manifiesto{.formato = "orvo-suite", .version = 2, .componentes = componentes}.aJson().dump());
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

fs::path Banco::usuario() const {
  auto ruta = t.escribir("usuario.sh", kScriptQueEspera);
  fs::permissions(ruta, fs::perms(0755));
  return ruta;
}

}  // namespace orvo::prueba
