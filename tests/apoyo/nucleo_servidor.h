// The managers on the real platform pieces in a folder of the test's own, signed in to the
// local test server that plays the service: real HTTP, real zips, real folders, the real
// Trash. Only the installer's download session and the password prompt are inert, because
// these tests never install apps.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

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

class NucleoEnServidor : public ::testing::Test {
 protected:
  explicit NucleoEnServidor(std::string token);
  ~NucleoEnServidor() override { nucleo_.reset(); }

  Nucleo& nucleo() { return *nucleo_; }
  Catalogo& catalogo() { return nucleo_->catalogo(); }
  // The `feed` answer from now on: `m` with "formato", "version" and "apps" filled in.
  void manifiesto(Json m);
  // A real manifest refresh to its end.
  void revisar();

  CarpetaTemporal t;
  std::filesystem::path apps = t / "Aplicaciones", datos = t / "datos";
  BucleManual bucle;
  SistemaPrueba sistema;
  ServidorPrueba servidor;
  ServicioPrueba servicio{servidor};
  // The real client; a stalled server's test scales its silence limits.
  HttpPrueba http;
  EspacioDePrueba espacio{t.ruta(), apps, t / "xdg/applications", bucle};
  CondicionesPrueba condiciones;
  const std::string token;

 private:
  DescargasInertes descargas_;
  PermisosInertes permisos_;
  std::unique_ptr<Nucleo> nucleo_;
};

}  // namespace orvo::prueba
