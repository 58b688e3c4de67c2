// A components manager on the real platform pieces in a folder of its own: the catalogue
// signed in to the local test server (so archive requests carry the token), real zips
// served over HTTP, the real unpacker, real processes for the in-use marker.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "apoyo/bucle_manual.h"
#include "apoyo/bundles_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/http_prueba.h"
#include "apoyo/inertes.h"
#include "apoyo/servicio_prueba.h"
#include "apoyo/servidor_prueba.h"
#include "apoyo/sistema_prueba.h"
#include "shell/nucleo.h"

namespace orvo::prueba {

// What goes into a test archive.
struct Contenido {
  // componente.json as written; absent: {"id","version"} of the release (+ "entrada").
  std::optional<std::string> descriptor;
  std::optional<std::string> entrada;
  std::map<std::string, std::string> archivos;  // path → content, besides the descriptor
};

class Banco : public ::testing::Test {
 protected:
  Banco();
  ~Banco() override { nucleo_.reset(); }

  Componentes& comp() { return nucleo_->componentes(); }
  Catalogo& catalogo() { return nucleo_->catalogo(); }
  std::filesystem::path carpeta() const { return datos / "componentes"; }

  // Zips a release and serves it at /c/<id>-<version>[-<build>].zip; its manifest entry
  // carries digest and size.
  ComponenteRemoto publicar(const std::string& id, const std::string& version,
                            std::optional<std::string> build = std::nullopt,
                            Contenido contenido = {});
  // The `feed` answer from now on.
  void manifiesto(const std::vector<ComponenteRemoto>& componentes);
  // A real manifest refresh to its end: the store hands the list to the manager.
  void revisar();
  // Runs the loop until no download or check is under way.
  bool esperarDescargas();
  // The manifest, a refresh and the downloads it started, to their end.
  void refrescar(const std::vector<ComponenteRemoto>& componentes);
  // `r` published alone and installed.
  void instalarYa(const ComponenteRemoto& r);
  // Requests of the server for archives of `id`.
  size_t descargasDe(const std::string& id) const;
  // Writes `pid` into the installed component's in-use marker.
  void marcar(const std::string& id, const std::string& pid);
  // A script that runs until killed: the app using a component.
  std::filesystem::path usuario() const;

  CarpetaTemporal t;
  std::filesystem::path apps = t / "Aplicaciones", datos = t / "datos";
  BucleManual bucle;
  SistemaPrueba sistema;
  ServidorPrueba servidor;
  ServicioPrueba servicio{servidor};
  HttpPrueba http;
  EspacioDePrueba espacio{t.ruta(), apps, t / "xdg/applications", bucle};
  DescargasInertes descargas;
  PermisosInertes permisos;
  int cambios = 0;

 private:
  std::unique_ptr<Nucleo> nucleo_;
};

}  // namespace orvo::prueba
