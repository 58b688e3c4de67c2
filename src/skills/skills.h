// The skills manager: installs, updates and removes the assistant's skills in its skills
// folder, records each placed skill with its fingerprint so a copy the user edited is
// never overwritten unasked, and never replaces or removes a folder it did not place.
// Main thread only; downloads stream on the HTTP session, checks run on the worker pool.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "plataforma/plataforma.h"
#include "skills/preparar.h"
#include "skills/registros.h"

namespace orvo {

class Catalogo;
class Cuenta;

class Skills {
 public:
  Skills(Plataforma& plataforma, Catalogo& catalogo, Cuenta& cuenta);
  static Skills& shared();

  // Called after every write of instaladas.json and when a download starts.
  std::function<void()> alCambiar;

  // 2 to 63 of a-z, 0-9 and "-", not starting with "-": safe as a folder name.
  static bool idValido(std::string_view id);

  // One request from a link: "quitar" removes, anything else installs. `confirmada`
  // accepts another person's public skill, `forzar` replaces a copy edited by hand.
  void pedir(const std::string& accion, const std::string& id, bool confirmada, bool forzar);
  // After every manifest refresh: withdrawn skills go, installed ones are updated unless
  // edited, and requests that waited for the first manifest run.
  void sincronizar(const std::vector<SkillRemota>& skills, const std::vector<std::string>& quitar);
  // The ids in instaladas.json, in file order; for the usage report.
  std::vector<std::string> ids();
  // Removes a skill this program placed; its folder goes to the Trash.
  void quitar(const std::string& id);

  // OV_SKILLS, else ~/.claude/skills; created on first use.
  const std::filesystem::path& destino();
  // "skills" in the catalogue's data folder, with ".preparando" inside; created on first use.
  const std::filesystem::path& carpeta();
  // instaladas.json; a damaged one is first kept aside and rebuilt (see cambiar).
  InstaladasSkills leer();
  std::optional<SkillInstalada> instalada(const std::string& id);
  bool descargando(const std::string& id) const { return descargando_.contains(id); }

 private:
  struct Pedido {
    std::string accion, id;
    bool confirmada, forzar;
  };
  struct Banderas {
    bool confirmada = false, forzar = false;
  };
  // One installed skill the manifest still publishes, and whether its copy was edited.
  struct Revision {
    SkillRemota s;
    SkillInstalada vista;
    bool modificada = false;
  };

  void responder(const std::string& id, std::optional<RespuestaSkill> respuesta);
  void descargarEInstalar(const SkillRemota& s);
  void preparada(const SkillRemota& s, Resultado<Preparada> r);
  void colocar(const SkillRemota& s, const Preparada& p);
  void borrar(const std::string& id, const std::optional<std::string>& motivo = {});
  // The Trash, else a dated folder beside the records: never a deletion.
  Error guardarAparte(const std::string& id, const std::filesystem::path& ruta);
  void actualizar(const std::vector<Revision>& revisiones);
  // The one writer of instaladas.json: read, apply, stamp, sort, write atomically. A file
  // that cannot be read is kept aside and rebuilt first; one that cannot be kept aside is
  // not written over, and the change is lost with an error in the log.
  void cambiar(const std::function<void(InstaladasSkills&)>& cambio);
  // The records rebuilt from colocadas.json, each entry checked against its folder.
  InstaladasSkills rehacer();
  // At start: placements a kill interrupted are settled, damaged records rebuilt, and the
  // staging folders killed runs left in the skills folder removed.
  void arrancar();
  // colocadas.json; a damaged one is kept aside and counts as empty.
  Resultado<ColocadasSkills> colocadas();
  // The one writer of colocadas.json.
  Error anotar(const std::function<void(std::vector<SkillInstalada>&)>& cambio);
  // Logs "skill <id>: <mensaje>" and keeps the message as that id's last error.
  void informar(const std::string& id, const std::string& mensaje);
  void avisar() const;

  Plataforma& plataforma_;
  Catalogo& catalogo_;
  Cuenta& cuenta_;
  std::optional<std::filesystem::path> destino_, carpeta_;
  std::set<std::string> descargando_;
  // Requests from links from the lookup until their outcome: later ones for the same id
  // join them, adding their flags.
  std::map<std::string, Banderas> enCurso_;
  std::vector<Pedido> pedidos_;
  std::shared_ptr<int> vida_ = std::make_shared<int>(0);
};

}  // namespace orvo
