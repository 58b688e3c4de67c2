// The skills manager on the real platform pieces (see NucleoEnServidor), with a skills
// folder and a freedesktop Trash of the test's own.
#pragma once

#include <string>
#include <vector>

#include "apoyo/nucleo_servidor.h"
#include "apoyo/zip_prueba.h"

namespace orvo::prueba {

// GIO reads XDG_DATA_HOME once per process, so the Trash folder is set before any test.
std::filesystem::path papeleraDelProceso();

class BancoSkills : public NucleoEnServidor {
 protected:
  BancoSkills();
  // Starts with one manifest loaded, so requests are not held for it.
  void SetUp() override { revisar(Json::array()); }

  Skills& skills() { return nucleo().skills(); }
  // The archive served at /<id>-<version>.zip and the skill record that publishes it.
  Json publicar(const std::string& id, const std::string& version, const Entradas& entradas = {});
  // Runs a manifest refresh with these `skills` and `skills_quitar` lists.
  void revisar(const Json& publicadas, const Json& quitar = Json::array());
  // A request, run until the manager has nothing more to do for it.
  void pedir(const std::string& accion, const std::string& id, bool confirmada = false,
             bool forzar = false);
  std::string error(const std::string& id);
  size_t descargasDe(const std::string& id, const std::string& version) const;
  // The names left in the skills data folder's staging area.
  std::vector<std::string> preparando() const;

  std::filesystem::path destino = t / "casa/.claude/skills";
  int terminados = 0;

 private:
  std::string ultimo_;
};

}  // namespace orvo::prueba
