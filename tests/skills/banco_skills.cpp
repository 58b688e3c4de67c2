#include "banco_skills.h"

#include <cstdio>
#include <cstdlib>

#include "comun/archivos.h"
#include "comun/sha256.h"

namespace orvo::prueba {

namespace fs = std::filesystem;

fs::path papeleraDelProceso() {
  // Never destroyed: the exit handler that removes the folder runs after static destructors.
  static const fs::path* ruta = [] {
    char plantilla[] = "/tmp/orvo-xdg-XXXXXX";
    auto p = new fs::path(::mkdtemp(plantilla));
    ::setenv("XDG_DATA_HOME", p->c_str(), 1);
    std::atexit([] {
      std::error_code e;
      fs::remove_all(papeleraDelProceso(), e);
    });
    return p;
  }();
  return *ruta;
}

namespace {
// Before main, so no GLib call can read the variable first.
const fs::path kPapelera = papeleraDelProceso();
}  // namespace

BancoSkills::BancoSkills() : NucleoEnServidor("T1") {
  skills().alCambiar = [this] {
    if (!skills().descargando(ultimo_)) ++terminados;
  };
}

Json BancoSkills::publicar(const std::string& id, const std::string& version,
                           const Entradas& entradas) {
  auto zip = zipDe(entradas.empty() ? Entradas{{"SKILL.md", "# " + id + " " + version + "\n"},
                                               {"skill.json", Json{{"id", id}}.dump()}}
                                    : entradas);
  std::string ruta = "/" + id + "-" + version + ".zip";
  servidor.publicar(ruta, ArchivoPrueba{zip});
  return {{"id", id},
          {"nombre", "Skill " + id},
          {"version", version},
          {"url", ruta.substr(1)},
          {"sha256", *sha256(t.escribir("zips" + ruta, zip))},
          {"alcance", "equipo"},
          {"dueno", {{"nombre", "Ana"}, {"email", "ana@orvo.example"}}}};
}

void BancoSkills::revisar(const Json& publicadas, const Json& quitar) {
  manifiesto({{"skills", publicadas}, {"skills_quitar", quitar}});
  NucleoEnServidor::revisar();
}

void BancoSkills::pedir(const std::string& accion, const std::string& id, bool confirmada,
                        bool forzar) {
  ultimo_ = id;
  int antes = terminados;
  skills().pedir(accion, id, confirmada, forzar);
  ASSERT_TRUE(bucle.esperarHasta([&] { return terminados > antes; })) << "request " << id;
}

std::string BancoSkills::error(const std::string& id) {
  auto d = skills().leer();
  auto e = d.errores.find(id);
  return e == d.errores.end() ? "" : e->second;
}

size_t BancoSkills::descargasDe(const std::string& id, const std::string& version) const {
  size_t n = 0;
  for (const auto& p : servidor.peticiones()) n += p.ruta == "/" + id + "-" + version + ".zip";
  return n;
}

std::vector<std::string> BancoSkills::preparando() const {
  std::vector<std::string> nombres;
  std::error_code e;
  for (const auto& x : fs::directory_iterator(datos / "skills/.preparando", e))
    nombres.push_back(x.path().filename().string());
  return nombres;
}

}  // namespace orvo::prueba
