// The components manager on the real platform pieces (see NucleoEnServidor): archive
// requests carry the session's token, real zips are served over HTTP and unpacked for
// real, and real processes hold the in-use marker.
#pragma once

#include <map>

#include "apoyo/nucleo_servidor.h"
#include "apoyo/zip_prueba.h"
#include "comun/sha256.h"

namespace orvo::prueba {

// What goes into a test archive.
struct Contenido {
  // componente.json as written; absent: {"id","version"} of the release (+ "entrada").
  std::optional<std::string> descriptor;
  std::optional<std::string> entrada;
  std::map<std::string, std::string> archivos;  // path → content, besides the descriptor
};

class Banco : public NucleoEnServidor {
 protected:
  Banco() : NucleoEnServidor("T-comp") {
    comp().alCambiar = [this] { ++cambios; };
  }

  Componentes& comp() { return nucleo().componentes(); }
  std::filesystem::path carpeta() const { return datos / "componentes"; }

  // Zips a release and serves it at /c/<id>-<version>[-<build>].zip; its manifest entry
  // carries digest and size.
  ComponenteRemoto publicar(const std::string& id, const std::string& version,
                            std::optional<std::string> build = std::nullopt,
                            Contenido contenido = {}) {
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
  // The `feed` answer from now on.
  void manifiesto(const std::vector<ComponenteRemoto>& componentes) {
    Json lista = Json::array();
    for (const auto& c : componentes) lista.push_back(c.aJson());
    NucleoEnServidor::manifiesto({{"componentes", lista}});
  }
  // Runs the loop until no download or check is under way.
  bool esperarDescargas() {
    return bucle.esperarHasta([&] { return comp().descargando.empty(); }, 20);
  }
  // The manifest, a refresh and the downloads it started, to their end.
  void refrescar(const std::vector<ComponenteRemoto>& componentes) {
    manifiesto(componentes);
    revisar();
    EXPECT_TRUE(esperarDescargas());
  }
  // `r` published alone and installed.
  void instalarYa(const ComponenteRemoto& r) {
    refrescar({r});
    comp().instalar(r.id);
    EXPECT_TRUE(esperarDescargas());
    EXPECT_TRUE(comp().instalado(r.id)) << comp().errores[r.id];
  }
  // Requests of the server for archives of `id`.
  size_t descargasDe(const std::string& id) const {
    size_t n = 0;
    for (const auto& p : servidor.peticiones()) n += p.ruta.starts_with("/c/" + id + "-");
    return n;
  }
  // The app using a component: a process that runs until killed, named in its marker.
  std::unique_ptr<ProcesoPrueba> usar(const std::string& id) {
    auto guion = t.escribir("usuario.sh", kScriptQueEspera);
    std::filesystem::permissions(guion, std::filesystem::perms(0755));
    auto app = std::make_unique<ProcesoPrueba>(guion);
    marcar(id, std::to_string(app->pid()));
    return app;
  }
  void marcar(const std::string& id, const std::string& pid) {
    t.escribir("datos/componentes/" + id + "/.en-uso", pid);
  }

  int cambios = 0;
};

}  // namespace orvo::prueba
