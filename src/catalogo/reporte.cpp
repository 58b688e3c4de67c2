// The usage report sent with every manifest request to a server.
#include "catalogo/catalogo.h"

namespace orvo {

Json Catalogo::reporte() {
  Json apps = Json::array();
  for (const auto& c : appsConocidas()) {
    AppRemota app;
    app.id = c.id;
    app.bundle = c.bundle;
    app.app = c.app;
    if (auto v = versionInstalada(app))
      apps.push_back({{"id", c.id}, {"version", v->version}, {"build", v->build.value_or("")}});
  }
  for (auto& c : vecinos_.componentesDelReporte()) apps.push_back(std::move(c));
  auto& s = plataforma_.sistema;
  return {{"equipo", equipo()},          {"nombre_equipo", s.nombreEquipo()},
          {"macos", s.versionSistema()}, {"suite", s.versionPropia().value_or("")},
          {"apps", std::move(apps)},     {"skills", vecinos_.skillsDelReporte()}};
}

}  // namespace orvo
