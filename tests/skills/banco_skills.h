// The skills manager on the real platform pieces: the real HTTP client against the local
// test server playing the service, real zips, a skills folder, a data folder and a
// freedesktop Trash of the test's own. Only the installer's session and the password
// prompt are inert, because these tests never install apps.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "apoyo/bucle_manual.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/inertes.h"
#include "apoyo/servicio_prueba.h"
#include "apoyo/servidor_prueba.h"
#include "apoyo/sistema_prueba.h"
#include "apoyo/zip_prueba.h"
#include "plataforma/linux/espacio_linux.h"
#include "plataforma/linux/http_curl.h"
#include "shell/nucleo.h"

namespace orvo::prueba {

// GIO reads XDG_DATA_HOME once per process, so the Trash folder is set before any test.
std::filesystem::path papeleraDelProceso();

class BancoSkills : public ::testing::Test {
 protected:
  BancoSkills();
  ~BancoSkills() override { nucleo_.reset(); }
  // Starts with one manifest loaded, so requests are not held for it.
  void SetUp() override { revisar(Json::array()); }

  Skills& skills() { return nucleo_->skills(); }
  Catalogo& catalogo() { return nucleo_->catalogo(); }
  // The archive served at /<id>-<version>.zip and the skill record that publishes it.
  Json publicar(const std::string& id, const std::string& version, const Entradas& entradas = {});
  // Runs a manifest refresh with these `skills` and `skills_quitar` lists.
  void revisar(const Json& publicadas, const Json& quitar = Json::array());
  // A request, run until the manager has nothing more to do for it.
  void pedir(const std::string& accion, const std::string& id, bool confirmada = false,
             bool forzar = false);
  std::string error(const std::string& id) const;
  size_t descargasDe(const std::string& id, const std::string& version) const;
  // The names left in the skills data folder's staging area.
  std::vector<std::string> preparando() const;

  CarpetaTemporal t;
  std::filesystem::path destino, datos;
  BucleManual bucle;
  SistemaPrueba sistema;
  ServidorPrueba servidor;
  ServicioPrueba servicio{servidor};
  HttpCurl http;
  int terminados = 0;

 private:
  DescargasInertes descargas_;
  PermisosInertes permisos_;
  EspacioLinux espacio_{t / "Aplicaciones", t / "xdg/applications", bucle};
  std::unique_ptr<Nucleo> nucleo_;
  std::string ultimo_;
};

}  // namespace orvo::prueba
