// One catalogue on the real platform pieces, in a folder of its own: a home, a data
// folder and an applications folder per test, the real HTTP client against the local
// test server, the real desktop lookups. Only the installer's session and the password
// prompt are stand-ins, because these tests never install.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "apoyo/bucle_manual.h"
#include "apoyo/bundles_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/inertes.h"
#include "apoyo/servicio_prueba.h"
#include "apoyo/servidor_prueba.h"
#include "apoyo/sistema_prueba.h"
#include "plataforma/linux/http_curl.h"
#include "shell/nucleo.h"

namespace orvo::prueba {

// Counts what the refresh hands to the managers beside the catalogue.
class NucleoPrueba : public Nucleo {
 public:
  using Nucleo::Nucleo;
  int sincronizados = 0;
  void sincronizar(const Manifiesto&) override { ++sincronizados; }
};

class Entorno : public ::testing::Test {
 protected:
  Entorno() {
    sistema.dentroDe(t.ruta(), apps, datos);
    arrancar();
  }
  ~Entorno() override { nucleo_.reset(); }

  // A fresh store over the same folders, as a new launch would see them.
  void arrancar() {
    nucleo_.reset();
    nucleo_ = std::make_unique<NucleoPrueba>(
        Plataforma{bucle, http, espacio, sistema, descargas, permisos});
  }
  Catalogo& catalogo() { return nucleo_->catalogo(); }
  Cuenta& cuenta() { return nucleo_->cuenta(); }
  NucleoPrueba& nucleo() { return *nucleo_; }
  // Runs a refresh to its end.
  void revisar() {
    bool listo = false;
    catalogo().revisar([&] { listo = true; });
    ASSERT_TRUE(bucle.esperarHasta([&] { return listo; }));
  }
  // Signs in and waits for the answer; the message, if any.
  Error entrar(const std::string& servidor, const std::string& email, const std::string& clave) {
    std::optional<Error> r;
    cuenta().entrar(servidor, email, clave, "1.0", [&](Error e) { r = e; });
    EXPECT_TRUE(bucle.esperarHasta([&] { return r.has_value(); }));
    return r.value_or("sin respuesta");
  }
  // The address of a test server that is gone: nobody listens there.
  static std::string sinServidor() { return ServidorPrueba().base(); }
  bool esperarPeticiones(const std::string& accion, size_t n) {
    return bucle.esperarHasta([&] { return servidor.peticionesDe(accion).size() >= n; });
  }

  CarpetaTemporal t;
  std::filesystem::path apps = t / "Aplicaciones", datos = t / "datos";
  BucleManual bucle;
  SistemaPrueba sistema;
  // Before the client, so the client's kept-alive connections close first.
  ServidorPrueba servidor;
  ServicioPrueba servicio{servidor};
  HttpCurl http;
  EspacioDePrueba espacio{t.ruta(), apps, t / "xdg/applications", bucle};
  DescargasInertes descargas;
  PermisosInertes permisos;

 private:
  std::unique_ptr<NucleoPrueba> nucleo_;
};

}  // namespace orvo::prueba
