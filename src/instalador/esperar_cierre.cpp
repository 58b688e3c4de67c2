// An update of a running app waits for it to quit: the desktop's app notices and a
// 1-second poll look for the end, leftover processes from inside the bundle get up to
// 15 seconds, and the user may ask the app to quit.
#include <string>
#include <string_view>

#include <unistd.h>

#include "comun/log.h"
#include "comun/proceso.h"
#include "instalador/instalador.h"

namespace orvo {

namespace {

constexpr double kTrasAviso = 0.8;  // after an app-change notice, before the check
constexpr double kSondeo = 1.0;     // the poll while waiting
constexpr double kRevisar = 0.5;    // re-check while the app or its processes remain
constexpr double kEsperaProcesos = 15.0;
constexpr double kNoCerro = 20.0;  // after asking to quit, before flagging it

// pgrep reads its pattern as an extended regular expression; a folder name with "(" or
// "+" must still match only itself.
std::string literal(const std::string& texto) {
  std::string r;
  for (char c : texto) {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) r += '\\';
    r += c;
  }
  return r;
}

}  // namespace

void Instalador::esperarCierre(const std::shared_ptr<Instalacion>& inst) {
  inst->fase = Fase::esperaCierre;
  avisar(*inst);
  std::weak_ptr<int> vivo = vida_;
  // The notice and the one-shot checks keep the record alive until they run, so a
  // cancelled installation still answers them (and stops at the phase check).
  inst->observador = observarApps([this, vivo, inst] {
    if (vivo.expired() || inst->fase != Fase::esperaCierre || catalogo_.abierta(inst->app)) return;
    plataforma_.bucle.despues(kTrasAviso, [this, vivo, inst] {
      if (!vivo.expired()) cerrada(inst);
    });
  });
  // The record owns its poll, so the poll holds it weakly.
  std::weak_ptr<Instalacion> debil = inst;
  inst->sondeo = plataforma_.bucle.cada(kSondeo, [this, vivo, debil] {
    auto i = debil.lock();
    if (!vivo.expired() && i && i->fase == Fase::esperaCierre && !catalogo_.abierta(i->app))
      cerrada(i);
  });
}

void Instalador::cerrada(const std::shared_ptr<Instalacion>& inst) {
  if (inst->fase != Fase::esperaCierre) return;
  std::weak_ptr<int> vivo = vida_;
  // The notice, the poll and the re-checks all lead here; one pending re-check is enough,
  // or each poll tick would start another chain of pgrep runs.
  auto otraVez = [&] {
    if (inst->revision && inst->revision->activo()) return;
    std::weak_ptr<Instalacion> debil = inst;
    inst->revision = plataforma_.bucle.despues(kRevisar, [this, vivo, debil] {
      auto i = debil.lock();
      if (!vivo.expired() && i) cerrada(i);
    });
  };
  if (catalogo_.abierta(inst->app)) {
    inst->esperaProcesos.reset();
    return otraVez();
  }
  // A helper started from inside the bundle still holds files of the old version. Another
  // user's process is no helper of this user's app.
  auto contenido = (catalogo_.aplicaciones / inst->app.app / "Contents").string() + "/";
  if (correr("/usr/bin/pgrep", {"-U", std::to_string(::getuid()), "-f", literal(contenido)}) == 0) {
    double ahora = plataforma_.bucle.ahora();
    if (!inst->esperaProcesos) inst->esperaProcesos = ahora;
    if (ahora - *inst->esperaProcesos < kEsperaProcesos) return otraVez();
    Log::escribir(inst->app.nombre + ": quedan procesos tras 15 s; se instala igual");
  }
  if (inst->observador) {
    dejarDeObservar(*inst->observador);
    inst->observador.reset();
  }
  if (inst->sondeo) inst->sondeo->detener();
  inst->sondeo.reset();
  inst->fase = Fase::corriendo;
  ++inst->paso;
  inst->pct = 0;
  avisar(*inst);
  reemplazar(inst);
}

void Instalador::cerrarApp(const std::optional<std::string>& id) {
  auto inst = id ? enCurso(*id) : nullptr;
  if (!inst) inst = actual();
  if (!inst || inst->fase != Fase::esperaCierre) return;
  auto app = catalogo_.abierta(inst->app);
  if (!app) return;
  inst->noCerro = false;
  avisar(*inst);
  plataforma_.espacio.pedirCierre(*app);
  std::weak_ptr<int> vivo = vida_;
  plataforma_.bucle.despues(kNoCerro, [this, vivo, inst] {
    if (vivo.expired() || inst->fase != Fase::esperaCierre || !catalogo_.abierta(inst->app)) return;
    inst->noCerro = true;
    avisar(*inst);
  });
}

}  // namespace orvo
