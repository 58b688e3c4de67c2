// The desktop on Linux: running apps from /proc, bundles located through the desktop
// entries registration writes and the applications folder, launches in a session of
// their own, and a watcher on the main loop for apps that start or quit.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "plataforma/bucle.h"
#include "plataforma/espacio.h"
#include "plataforma/linux/bundles.h"
#include "plataforma/linux/procesos.h"
#include "plataforma/linux/vigia_apps.h"

namespace orvo {

class EspacioLinux : public Espacio {
 public:
  // `aplicaciones`: the applications folder (OV_DESTINO or /Applications). `entradas`:
  // where desktop entries go, $XDG_DATA_HOME/applications. `cadaSegundos`: how often
  // `observar` scans /proc for new app processes.
  EspacioLinux(std::filesystem::path aplicaciones, std::filesystem::path entradas, Bucle& bucle,
               double cadaSegundos = 1.5);
  ~EspacioLinux() override;

  std::vector<AppEnMarcha> appsEnMarcha() override;
  std::vector<AppEnMarcha> enMarcha(const std::string& bundle) override;
  bool terminada(const AppEnMarcha& app) override;
  // Only while the pid still runs a bundle with that identifier and, when the handle
  // knows it, the same start time: a reused pid is never signalled.
  bool pedirCierre(const AppEnMarcha& app) override;

  std::optional<std::filesystem::path> ubicar(const std::string& bundle) override;
  std::optional<std::map<std::string, std::string>> infoPlist(
      const std::filesystem::path& bundle) override;
  std::optional<Instante> modificado(const std::filesystem::path& archivo) override;

  Error abrir(const std::filesystem::path& bundle) override;
  Error alFrente(const AppEnMarcha& app) override;
  // What the display offers to bring a program forward; the toolkit sets it. Without one
  // (no display) a running app stays as it is: starting it again could make a second copy.
  struct Escritorio {
    // Raises a window of process `pid`; false when it has none the desktop lets us raise.
    std::function<bool(pid_t)> alzar;
    // An activation token for starting `ejecutable`; absent when the display gives none.
    std::function<std::optional<std::string>(const std::filesystem::path& ejecutable)> ficha;
  };
  void usarEscritorio(Escritorio escritorio) { escritorio_ = std::move(escritorio); }
  // A detached "/bin/sh -c 'sleep N; exec EXE'".
  Error abrirDespues(const std::filesystem::path& bundle, double segundos) override;
  Error registrar(const std::filesystem::path& bundle) override;

  void observar(std::function<void()> alCambiar) override;
  // Not attentive, the /proc scan runs once a minute: only copies outside the
  // applications folder and the registered bundles wait for it.
  void atento(bool si) override;
  static constexpr double kSinMirar = 60;

 protected:
  void empezarPase() override;
  void terminarPase() override;

 private:
  // The number of the pass the calling thread is in, 0 outside one.
  unsigned long paseActual();
  // Whether the desktop entry `nombre` may exist: inside a pass, from one listing of the
  // entries folder.
  bool puedeHaberEntrada(const std::string& nombre);

  // The identifier of the bundle whose main executable `exe` is.
  std::optional<std::string> appDelEjecutable(const std::filesystem::path& exe);
  bool sigueSiendo(const AppEnMarcha& app);
  // The folders and main executables the watcher hears installed apps' starts through.
  VigiaApps::Instalados instalados();
  double intervalo() const;
  // The bundle of the applications folder with that identifier, through `indice_`.
  std::optional<std::filesystem::path> enAplicaciones(const std::string& bundle);

  // The applications folder's bundles by identifier. A status pass asks about every app
  // of the catalogue; listing the folder for each would make it quadratic. Valid while
  // the folder's timestamps stay as they were (adding, removing or renaming a bundle
  // changes them) and old enough that a change in the same clock tick cannot hide.
  struct IndiceApps {
    std::mutex mutex;
    bool valido = false;
    unsigned long pase = 0;  // the pass that last built or checked it
    struct timespec mtime {
    }, ctime{};
    std::map<std::string, std::filesystem::path> porId;
  };
  IndiceApps indice_;

  // One pass at a time, on the thread that opened it; nested passes count.
  struct EstadoPase {
    std::mutex mutex;
    std::thread::id hilo;
    int nivel = 0;
    unsigned long numero = 0;
    std::optional<std::set<std::string>> entradas;
  };
  EstadoPase pase_;

  std::filesystem::path aplicaciones_, entradas_;
  Bucle& bucle_;
  double cadaSegundos_;
  bool atento_ = true;
  CacheInfoPlist plists_;
  EscanerProcesos procesos_;
  std::unique_ptr<VigiaApps> vigia_;
  Escritorio escritorio_;
};

}  // namespace orvo
