// The components manager on the real platform pieces (see NucleoEnServidor): archive
// requests carry the session's token, real zips are served over HTTP and unpacked for
// real, and real processes hold the in-use marker.
#pragma once

#include <map>

#include "apoyo/bundles_prueba.h"
#include "apoyo/nucleo_servidor.h"

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
  Banco();

  Componentes& comp() { return nucleo().componentes(); }
  std::filesystem::path carpeta() const { return datos / "componentes"; }

  // Zips a release and serves it at /c/<id>-<version>[-<build>].zip; its manifest entry
  // carries digest and size.
  ComponenteRemoto publicar(const std::string& id, const std::string& version,
                            std::optional<std::string> build = std::nullopt,
                            Contenido contenido = {});
  // The `feed` answer from now on.
  void manifiesto(const std::vector<ComponenteRemoto>& componentes);
  // Runs the loop until no download or check is under way.
  bool esperarDescargas();
  // The manifest, a refresh and the downloads it started, to their end.
  void refrescar(const std::vector<ComponenteRemoto>& componentes);
  // `r` published alone and installed.
  void instalarYa(const ComponenteRemoto& r);
  // Requests of the server for archives of `id`.
  size_t descargasDe(const std::string& id) const;
  // The app using a component: a process that runs until killed, named in its marker.
  std::unique_ptr<ProcesoPrueba> usar(const std::string& id);
  void marcar(const std::string& id, const std::string& pid);

  int cambios = 0;
};

}  // namespace orvo::prueba
