// Hears apps start and quit. An installed app's start comes from the kernel: an inotify
// watch on each installed bundle's main executable sees the exec open it, and a /proc scan
// a moment later names the process. A pidfd per known app, watched on GLib's main context,
// tells at once when it ends. A slow periodic scan still finds copies that run from
// anywhere else.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "plataforma/bucle.h"
#include "plataforma/espacio.h"

namespace orvo {

class VigiaApps {
 public:
  using Foto = std::function<std::vector<AppEnMarcha>()>;
  // What to watch: folders whose changes may add, remove or replace installed bundles,
  // and the main executables of the bundles installed now.
  struct Instalados {
    std::vector<std::filesystem::path> carpetas, ejecutables;
  };
  // `foto` lists the app processes running now; `alCambiar` runs when that list changes.
  // `instalados` is asked again whenever a watched folder changes. Main thread only, as is
  // the life of this object.
  VigiaApps(Bucle& bucle, double cadaSegundos, Foto foto, std::function<void()> alCambiar,
            std::function<Instalados()> instalados = {});
  ~VigiaApps();
  VigiaApps(const VigiaApps&) = delete;
  VigiaApps& operator=(const VigiaApps&) = delete;

  // Scans every `segundos` from now on.
  void cada(double segundos);

 private:
  struct Aviso;
  void revisar();
  void vigilar(pid_t pid);
  void terminado(pid_t pid);
  void vigilarInstalados();
  void leerEventos();
  void revisarPronto(bool tambienInstalados);

  Bucle& bucle_;
  Foto foto_;
  std::function<void()> alCambiar_;
  std::function<Instalados()> instalados_;
  std::set<std::pair<pid_t, unsigned long long>> conocidas_;
  std::map<pid_t, unsigned> fuentes_;  // pid → GLib source of its pidfd
  std::shared_ptr<Temporizador> temporizador_;
  int inotify_ = -1;
  unsigned fuenteInotify_ = 0;
  std::set<int> carpetas_;  // watch descriptors of the folders
  std::shared_ptr<Temporizador> pronto_, luego_;
  bool rehacer_ = false;  // the folders changed: watch what is installed now
};

}  // namespace orvo
