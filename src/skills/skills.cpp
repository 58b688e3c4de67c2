#include "skills/skills.h"

#include <algorithm>
#include <system_error>

#include "catalogo/catalogo.h"
#include "comun/acotar.h"
#include "comun/archivos.h"
#include "comun/documentos.h"
#include "comun/fechas.h"
#include "comun/log.h"
#include "comun/versiones.h"
#include "skills/huella.h"

namespace orvo {

namespace fs = std::filesystem;

namespace {

// Failed requests for ids that were never installed must not grow the file without end.
constexpr size_t kErroresMaximos = 500;

// Equal versions with a build the installed copy lacks or names differently count as newer.
bool esNueva(const SkillRemota& s, const SkillInstalada& inst) {
  int orden = compararVersiones(*s.version, inst.version);
  return orden > 0 || (orden == 0 && s.build && inst.build != s.build);
}

SkillInstalada* buscar(std::vector<SkillInstalada>& lista, const std::string& id) {
  auto s =
      std::find_if(lista.begin(), lista.end(), [&](const SkillInstalada& x) { return x.id == id; });
  return s == lista.end() ? nullptr : &*s;
}

SkillInstalada* buscar(InstaladasSkills& d, const std::string& id) { return buscar(d.skills, id); }

// A record as colocadas.json keeps it: what was placed, not what became of it.
SkillInstalada comoColocada(SkillInstalada s) {
  s.modificada = false;
  s.nueva.reset();
  return s;
}

// OV_SKILLS, else ~/.claude/skills.
fs::path rutaDestino(Sistema& sistema) {
  auto variable = sistema.entorno("OV_SKILLS");
  fs::path ruta = variable ? fs::path(*variable) : sistema.carpetaPersonal() / ".claude" / "skills";
  std::error_code e;
  return fs::absolute(ruta, e).lexically_normal();
}

}  // namespace

Skills::Skills(Plataforma& plataforma, Catalogo& catalogo, Cuenta& cuenta)
    : plataforma_(plataforma), catalogo_(catalogo), cuenta_(cuenta) {
  arrancar();
}

bool Skills::idValido(std::string_view id) {
  if (id.size() < 2 || id.size() > 63 || id.front() == '-') return false;
  return std::all_of(id.begin(), id.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
  });
}

const fs::path& Skills::destino() {
  if (!destino_) {
    destino_ = rutaDestino(plataforma_.sistema);
    std::error_code e;
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

InstaladasSkills Skills::leer() {
  auto ruta = catalogo_.carpeta / "skills" / "instaladas.json";
  auto leido = examinar(ruta, InstaladasSkills{});
  if (!leido.danado) return leido.valor;
  cambiar([](InstaladasSkills&) {});
  return leerDocumento(ruta, InstaladasSkills{});
}

std::optional<SkillInstalada> Skills::instalada(const std::string& id) {
  auto datos = leer();
  auto s = buscar(datos, id);
  return s ? std::optional(*s) : std::nullopt;
}

std::vector<std::string> Skills::ids() {
  std::vector<std::string> lista;
  for (auto& s : leer().skills) lista.push_back(s.id);
  return lista;
}

void Skills::cambiar(const std::function<void(InstaladasSkills&)>& cambio) {
  auto ruta = carpeta() / "instaladas.json";
  auto leido = examinar(ruta, InstaladasSkills{});
  auto& datos = leido.valor;
  if (leido.danado) {
    auto copia = apartarDanado(ruta);
    if (!copia) {
      Log::escribir(copia.error() + ": dejo instaladas.json como está");
      return avisar();
    }
    datos = rehacer();
    Log::escribir("instaladas.json no se podía leer: quedó como " +
                  copia.valor().filename().string() + "; rehice " +
                  std::to_string(datos.skills.size()) + " skills con colocadas.json");
  }
  cambio(datos);
  datos.actualizado = textoFecha(ahoraUtc());
  std::stable_sort(datos.skills.begin(), datos.skills.end(),
                   [](const SkillInstalada& a, const SkillInstalada& b) { return a.id < b.id; });
  if (auto error = guardarDocumento(ruta, datos.aJson()))
    Log::escribir("No pude guardar instaladas.json: " + *error);
  avisar();
}

InstaladasSkills Skills::rehacer() {
  InstaladasSkills d;
  auto libro = colocadas();
  if (!libro) return d;
  // A folder that no longer matches is still the program's: kept as edited, never claimed.
  for (auto& c : libro.valor().skills) {
    c.modificada = !hayAlgoEn(c.ruta) || huella(c.ruta) != c.huella;
    d.skills.push_back(c);
  }
  return d;
}

Resultado<ColocadasSkills> Skills::colocadas() {
  auto ruta = catalogo_.carpeta / "skills" / "colocadas.json";
  auto leido = examinar(ruta, ColocadasSkills{});
  if (leido.danado) {
    auto copia = apartarDanado(ruta);
    if (!copia) return Resultado<ColocadasSkills>::fallo(copia.error());
    Log::escribir("colocadas.json no se podía leer: quedó como " +
                  copia.valor().filename().string());
  }
  return Resultado<ColocadasSkills>::exito(std::move(leido.valor));
}

Error Skills::anotar(const std::function<void(std::vector<SkillInstalada>&)>& cambio) {
  auto ruta = carpeta() / "colocadas.json";
  auto libro = colocadas();
  if (!libro) return libro.error();
  cambio(libro.valor().skills);
  return guardarDocumento(ruta, libro.valor().aJson());
}

void Skills::arrancar() {
  std::error_code e;
  if (!fs::is_directory(catalogo_.carpeta / "skills", e)) return;  // never used here
  quitarPreparacionesHuerfanas(rutaDestino(plataforma_.sistema));
  auto datos = leer();
  auto libro = colocadas();
  if (!libro) return Log::escribir(libro.error() + ": no reviso las skills colocadas");
  std::vector<SkillInstalada> hechas, quedan;
  for (const auto& c : libro.valor().skills) {
    auto r = buscar(datos, c.id);
    if (r && r->huella == c.huella && r->ruta == c.ruta) {
      quedan.push_back(c);
    } else if (hayAlgoEn(c.ruta) && huella(c.ruta) == c.huella) {
      // Killed between the move and its record: the folder is the one announced.
      Log::escribir("skill " + c.id + " " + c.version + ": la colocación interrumpida quedó hecha");
      hechas.push_back(c);
      quedan.push_back(c);
    } else if (r) {
      quedan.push_back(comoColocada(*r));  // killed before the move: what is placed stays
    }
  }
  // Records written before colocadas.json existed.
  for (const auto& r : datos.skills)
    if (!buscar(quedan, r.id)) quedan.push_back(comoColocada(r));
  if (!hechas.empty())
    cambiar([&](InstaladasSkills& d) {
      for (const auto& c : hechas) {
        std::erase_if(d.skills, [&](const SkillInstalada& x) { return x.id == c.id; });
        d.skills.push_back(c);
        d.errores.erase(c.id);
      }
    });
  if (quedan != libro.valor().skills)
    if (auto error = anotar([&](auto& lista) { lista = quedan; }))
      Log::escribir("No pude guardar colocadas.json: " + *error);
}

void Skills::informar(const std::string& id, const std::string& mensaje) {
  auto texto = acotar(mensaje, kTextoLargo);
  Log::escribir("skill " + id + ": " + texto);
  cambiar([&](InstaladasSkills& d) {
    if (!d.errores.contains(id) && d.errores.size() >= kErroresMaximos)
      for (auto it = d.errores.begin(); it != d.errores.end(); ++it)
        if (!buscar(d, it->first)) {
          d.errores.erase(it);
          break;
        }
    d.errores[id] = texto;
  });
}

void Skills::avisar() const {
  if (alCambiar) alCambiar();
}

void Skills::quitar(const std::string& id) {
  if (!instalada(id)) return informar(id, "Esa skill no la instaló Orvo Suite: no la quito");
  borrar(id);
}

Error Skills::guardarAparte(const std::string& id, const fs::path& ruta) {
  auto sinPapelera = plataforma_.sistema.aLaPapelera(ruta);
  if (!sinPapelera) return std::nullopt;
  auto guardada = carpeta() / "quitadas" / textoFecha(ahoraUtc()) / id;
  std::error_code e;
  fs::create_directories(guardada.parent_path(), e);
  if (auto error = mover(ruta, guardada)) return *sinPapelera + "; " + *error;
  Log::escribir("skill " + id + ": " + *sinPapelera + "; la guardé en " + guardada.string());
  return std::nullopt;
}

void Skills::borrar(const std::string& id, const std::optional<std::string>& motivo) {
  auto ruta = destino() / id;
  if (idValido(id) && hayAlgoEn(ruta))
    if (auto error = guardarAparte(id, ruta))
      return informar(id, "No pude quitar la skill (" + *error + ")");
  auto fuera = [&](auto& lista) {
    std::erase_if(lista, [&](const SkillInstalada& s) { return s.id == id; });
  };
  cambiar([&](InstaladasSkills& d) {
    fuera(d.skills);
    d.errores.erase(id);
  });
  if (auto error = anotar(fuera)) Log::escribir("No pude guardar colocadas.json: " + *error);
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
  // Updates nobody asked for wait while the system asks to save data or power.
  bool automaticas = !plataforma_.condiciones.espera();
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
    if (!modificada && nueva && automaticas) descargarEInstalar(s);
  }
  auto pendientes = std::move(pedidos_);
  pedidos_.clear();
  for (const auto& p : pendientes) pedir(p.accion, p.id, p.confirmada, p.forzar);
}

}  // namespace orvo
