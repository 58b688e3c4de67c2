#include "skills/skills.h"

#include <algorithm>
#include <system_error>

#include "catalogo/catalogo.h"
#include "comun/archivos.h"
#include "comun/fechas.h"
#include "comun/log.h"
#include "comun/versiones.h"
#include "skills/huella.h"

namespace orvo {

namespace fs = std::filesystem;

namespace {

// Equal versions with a build the installed copy lacks or names differently count as newer.
bool esNueva(const SkillRemota& s, const SkillInstalada& inst) {
  int orden = compararVersiones(*s.version, inst.version);
  return orden > 0 || (orden == 0 && s.build && inst.build != s.build);
}

SkillInstalada* buscar(InstaladasSkills& d, const std::string& id) {
  auto s = std::find_if(d.skills.begin(), d.skills.end(),
                        [&](const SkillInstalada& x) { return x.id == id; });
  return s == d.skills.end() ? nullptr : &*s;
}

}  // namespace

Skills::Skills(Plataforma& plataforma, Catalogo& catalogo, Cuenta& cuenta)
    : plataforma_(plataforma), catalogo_(catalogo), cuenta_(cuenta) {}

bool Skills::idValido(std::string_view id) {
  if (id.size() < 2 || id.size() > 63 || id.front() == '-') return false;
  return std::all_of(id.begin(), id.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
  });
}

const fs::path& Skills::destino() {
  if (!destino_) {
    auto variable = plataforma_.sistema.entorno("OV_SKILLS");
    fs::path ruta = variable ? fs::path(*variable)
                             : plataforma_.sistema.carpetaPersonal() / ".claude" / "skills";
    std::error_code e;
    destino_ = fs::absolute(ruta, e).lexically_normal();
    fs::create_directories(*destino_, e);
  }
  return *destino_;
}

const fs::path& Skills::carpeta() {
  if (!carpeta_) {
    carpeta_ = catalogo_.carpeta / "skills";
    // Left from a run that stopped mid-install: half-checked downloads or an old copy
    // swapped out and not yet removed. Nothing there is anyone's only copy.
    vaciarCarpeta(*carpeta_ / ".preparando");
  }
  return *carpeta_;
}

InstaladasSkills Skills::leer() const {
  return leerDocumento(catalogo_.carpeta / "skills" / "instaladas.json", InstaladasSkills{});
}

std::optional<SkillInstalada> Skills::instalada(const std::string& id) const {
  auto datos = leer();
  auto s = buscar(datos, id);
  return s ? std::optional(*s) : std::nullopt;
}

std::vector<std::string> Skills::ids() const {
  std::vector<std::string> lista;
  for (auto& s : leer().skills) lista.push_back(s.id);
  return lista;
}

void Skills::cambiar(const std::function<void(InstaladasSkills&)>& cambio) {
  auto ruta = carpeta() / "instaladas.json";
  // A file that no longer decodes would be overwritten by this write: keep it aside, it
  // may be the only list of what this program placed.
  auto texto = leerArchivo(ruta);
  if (texto && !decodificar<InstaladasSkills>(*texto) && !mover(ruta, ruta.string() + ".danado"))
    Log::escribir("instaladas.json no se podía leer: quedó como instaladas.json.danado");
  auto datos = leer();
  cambio(datos);
  datos.actualizado = textoFecha(ahoraUtc());
  std::stable_sort(datos.skills.begin(), datos.skills.end(),
                   [](const SkillInstalada& a, const SkillInstalada& b) { return a.id < b.id; });
  if (auto error = guardarDocumento(ruta, datos.aJson()))
    Log::escribir("No pude guardar instaladas.json: " + *error);
  avisar();
}

void Skills::informar(const std::string& id, const std::string& mensaje) {
  Log::escribir("skill " + id + ": " + mensaje);
  cambiar([&](InstaladasSkills& d) { d.errores[id] = mensaje; });
}

void Skills::avisar() const {
  if (alCambiar) alCambiar();
}

void Skills::quitar(const std::string& id) {
  if (!instalada(id)) return informar(id, "Esa skill no la instaló Orvo Suite: no la quito");
  borrar(id);
}

void Skills::borrar(const std::string& id, const std::optional<std::string>& motivo) {
  auto ruta = destino() / id;
  if (idValido(id) && hayAlgoEn(ruta)) {
    if (auto sinPapelera = plataforma_.sistema.aLaPapelera(ruta)) {
      // Still recoverable: a dated folder beside the records, never a deletion.
      auto guardada = carpeta() / "quitadas" / textoFecha(ahoraUtc()) / id;
      std::error_code e;
      fs::create_directories(guardada.parent_path(), e);
      if (auto error = mover(ruta, guardada))
        return informar(id, "No pude quitar la skill (" + *sinPapelera + "; " + *error + ")");
      Log::escribir("skill " + id + ": " + *sinPapelera + "; la guardé en " + guardada.string());
    }
  }
  cambiar([&](InstaladasSkills& d) {
    std::erase_if(d.skills, [&](const SkillInstalada& s) { return s.id == id; });
    d.errores.erase(id);
  });
  Log::escribir("skill " + id + " quitada" + (motivo ? ": " + *motivo : ""));
}

void Skills::sincronizar(const std::vector<SkillRemota>& skills,
                         const std::vector<std::string>& quitar) {
  for (const auto& id : quitar)
    if (instalada(id)) borrar(id, "ya no está disponible para tu cuenta");

  // Only installed skills with a published version are looked at; a skill is never
  // installed here for the first time.
  std::vector<Revision> revisiones;
  auto datos = leer();
  for (const auto& s : skills)
    if (auto inst = buscar(datos, s.id); inst && s.version) revisiones.push_back({s, *inst});
  // Fingerprints read whole folders: off the main thread.
  std::weak_ptr<int> vivo = vida_;
  auto& bucle = plataforma_.bucle;
  bucle.enSegundoPlano([this, vivo, &bucle, revisiones = std::move(revisiones)]() mutable {
    for (auto& r : revisiones)
      r.modificada = !hayAlgoEn(r.vista.ruta) || huella(r.vista.ruta) != r.vista.huella;
    bucle.enPrincipal([this, vivo, revisiones = std::move(revisiones)] {
      if (vivo.lock()) actualizar(revisiones);
    });
  });
}

void Skills::actualizar(const std::vector<Revision>& revisiones) {
  for (const auto& [s, vista, modificada] : revisiones) {
    auto inst = instalada(s.id);
    // Placed again or removed while the fingerprint was read: that answer is stale.
    if (!inst || inst->huella != vista.huella || inst->ruta != vista.ruta) continue;
    bool nueva = esNueva(s, *inst);
    auto aviso = modificada && nueva ? s.version : std::nullopt;
    if (inst->modificada != modificada || inst->nueva != aviso)
      cambiar([&](InstaladasSkills& d) {
        if (auto r = buscar(d, s.id)) {
          r->modificada = modificada;
          r->nueva = aviso;
        }
      });
    if (!modificada && nueva) descargarEInstalar(s, false);
  }
  auto pendientes = std::move(pedidos_);
  pedidos_.clear();
  for (const auto& p : pendientes) pedir(p.accion, p.id, p.confirmada, p.forzar);
}

}  // namespace orvo
