#include "banco.h"

#include "apoyo/zip_prueba.h"
#include "comun/sha256.h"

namespace orvo::prueba {

namespace fs = std::filesystem;

Banco::Banco() : NucleoEnServidor("T-comp") {
  comp().alCambiar = [this] { ++cambios; };
}

ComponenteRemoto Banco::publicar(const std::string& id, const std::string& version,
                                 std::optional<std::string> build, Contenido contenido) {
  auto nombre = id + "-" + version + (build ? "-" + *build : "");
  Json d = {{"id", id}, {"version", version}};
  if (contenido.entrada) d["entrada"] = *contenido.entrada;
  Entradas entradas{{"componente.json", contenido.descriptor.value_or(d.dump())}};
  entradas.insert(entradas.end(), contenido.archivos.begin(), contenido.archivos.end());
  auto zip = zipDe(entradas);
  auto ruta = t.escribir("zips/" + nombre + ".zip", zip);
  servidor.publicar("/c/" + nombre + ".zip", {.datos = zip});
  return {.id = id,
          .nombre = "Componente " + id,
          .app = "Orvo Notas",
          .version = version,
          .build = build,
          .entrada = contenido.entrada,
          .url = "c/" + nombre + ".zip",
          .tam = static_cast<int64_t>(zip.size()),
          .sha256 = sha256(ruta)};
}

void Banco::manifiesto(const std::vector<ComponenteRemoto>& componentes) {
  Json lista = Json::array();
  for (const auto& c : componentes) lista.push_back(c.aJson());
  NucleoEnServidor::manifiesto({{"componentes", lista}});
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

std::unique_ptr<ProcesoPrueba> Banco::usar(const std::string& id) {
  auto guion = t.escribir("usuario.sh", kScriptQueEspera);
  fs::permissions(guion, fs::perms(0755));
  auto app = std::make_unique<ProcesoPrueba>(guion);
  marcar(id, std::to_string(app->pid()));
  return app;
}

void Banco::marcar(const std::string& id, const std::string& pid) {
  t.escribir("datos/componentes/" + id + "/.en-uso", pid);
}

}  // namespace orvo::prueba
