// The desktop as the managers see it: which apps run, where a bundle is, reading its
// Info.plist, opening and registering bundles, quitting them and hearing when apps
// start or end. Real: /proc, desktop entries, libplist.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "comun/fechas.h"
#include "comun/resultado.h"

namespace orvo {

// A running copy of an app: the handle callers keep to watch or quit it.
struct AppEnMarcha {
  pid_t pid = 0;
  std::string bundle;          // its bundle identifier
  std::filesystem::path ruta;  // the bundle folder it runs from
  // When the process started (platform clock ticks), so a later process that gets the
  // same pid is not taken for this one; 0 when unknown.
  unsigned long long inicio = 0;
  bool operator==(const AppEnMarcha&) const = default;
};

class Espacio {
 public:
  virtual ~Espacio() = default;

  // Every live process that is a bundle's main executable, in one scan.
  virtual std::vector<AppEnMarcha> appsEnMarcha() = 0;
  // Live processes of any bundle whose CFBundleIdentifier is `bundle`, wherever it lies.
  virtual std::vector<AppEnMarcha> enMarcha(const std::string& bundle) = 0;
  // True once the process is gone or a zombie.
  virtual bool terminada(const AppEnMarcha& app) = 0;
  // Asks the app to quit (SIGTERM). False when the signal could not be sent.
  virtual bool pedirCierre(const AppEnMarcha& app) = 0;

  // Where the app with this bundle identifier is: the desktop entries registration
  // wrote, then the bundles of the applications folder. Absent when none is known.
  virtual std::optional<std::filesystem::path> ubicar(const std::string& bundle) = 0;
  // The string-valued keys of `bundle`/Contents/Info.plist; absent when unreadable.
  virtual std::optional<std::map<std::string, std::string>> infoPlist(
      const std::filesystem::path& bundle) = 0;
  // Modification time of a file, absent when it cannot be read.
  virtual std::optional<Instante> modificado(const std::filesystem::path& archivo) = 0;

  // Starts the bundle's main executable detached. An error text when the system could
  // not start it (missing, not executable, wrong format).
  virtual Error abrir(const std::filesystem::path& bundle) = 0;
  // Brings a running copy to the front: its window, when the desktop lets the program raise
  // it, else its bundle started again with an activation token, which a single-instance app
  // takes as the request to show itself. An error text when neither could be done.
  virtual Error alFrente(const AppEnMarcha& app) = 0;
  // Arranges for the bundle to be started `segundos` from now by a process of its own that
  // outlives this program: how the program restarts into its own update.
  virtual Error abrirDespues(const std::filesystem::path& bundle, double segundos) = 0;
  // Writes or refreshes the bundle's desktop entry so menus and `ubicar` know it.
  virtual Error registrar(const std::filesystem::path& bundle) = 0;

  // `alCambiar` runs on the main thread whenever an app starts or quits. One observer.
  virtual void observar(std::function<void()> alCambiar) = 0;
  // Whether anyone is looking (a window shows, an installation waits for an app): then
  // starts are noticed within moments; otherwise a little later, which costs a program
  // that sits in the tray all day less. Quits are noticed at once either way.
  virtual void atento(bool) {}

  // A status pass asks about every app of the catalogue at one instant. While a `Pase`
  // lives, the thread that opened it may reuse what it already read from the disk during
  // it (folder listings, Info.plist files) instead of checking each again.
  class Pase {
   public:
    explicit Pase(Espacio& espacio) : espacio_(espacio) { espacio_.empezarPase(); }
    ~Pase() { espacio_.terminarPase(); }
    Pase(const Pase&) = delete;
    Pase& operator=(const Pase&) = delete;

   private:
    Espacio& espacio_;
  };

 protected:
  virtual void empezarPase() {}
  virtual void terminarPase() {}
};

}  // namespace orvo
