// The managers on the real platform pieces in a folder of the test's own, against the local
// test server that plays the service: real HTTP, real zips, real folders, the real Trash.
// The password prompt is inert, and so is the installer's download session unless a bench
// that installs apps brings its own.
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

// Counts what the refresh hands to the managers beside the catalogue.
class NucleoPrueba : public Nucleo {
 public:
  using Nucleo::Nucleo;
  int sincronizados = 0;
  void sincronizar(const Manifiesto& m) override {
    ++sincronizados;
    Nucleo::sincronizar(m);
  }
};

class NucleoEnServidor : public ::testing::Test {
 protected:
  // Signed in to the test server as `token`; without one, signed out, the source at its
  // default and nothing written yet. A bench that brings its own download session starts
  // the core itself (`conNucleo` false).
  explicit NucleoEnServidor(std::string token = "", bool conNucleo = true)
      : token(std::move(token)) {
    sistema.dentroDe(t.ruta(), apps, datos);
    if (!this->token.empty()) {
      servicio.clienteEn(datos, this->token);
      manifiesto(Json::object());
    }
    if (conNucleo) arrancar();
  }
  ~NucleoEnServidor() override { apagar(); }

  // A fresh core over the same folders, as a new launch would see them.
  void arrancar(Descargas* descargas = nullptr) {
    apagar();
    nucleo_ = std::make_unique<NucleoPrueba>(Plataforma{bucle, http, espacio, sistema,
                                                        descargas ? *descargas : descargas_,
                                                        permisos_, condiciones});
  }
  void apagar() { nucleo_.reset(); }
  NucleoPrueba& nucleo() { return *nucleo_; }
  Catalogo& catalogo() { return nucleo_->catalogo(); }
  Cuenta& cuenta() { return nucleo_->cuenta(); }
  Instalador& instalador() { return nucleo_->instalador(); }
  // The `feed` answer from now on: `m` with "formato", "version" and "apps" filled in.
  void manifiesto(Json m) {
    m["formato"] = "orvo-suite";
    m["version"] = 1;
    m["apps"] = Json::array();
    servicio.manifiesto(token, m.dump());
  }
  // A real manifest refresh to its end. A busy machine may take long; one that never ends
  // must not leave its callback a dead frame to write to.
  void revisar() {
    auto listo = std::make_shared<bool>(false);
    catalogo().revisar([listo] { *listo = true; });
    ASSERT_TRUE(bucle.esperarHasta([&] { return *listo; }, 30));
  }

  CarpetaTemporal t;
  std::filesystem::path apps = t / "Aplicaciones", datos = t / "datos";
  BucleManual bucle;
  SistemaPrueba sistema;
  // Before the client, so the client's kept-alive connections close first.
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
  std::unique_ptr<NucleoPrueba> nucleo_;
};

}  // namespace orvo::prueba
