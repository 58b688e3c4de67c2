// Hears apps start and quit: a light /proc scan on a timer finds new app processes, and
// a pidfd per known one, watched on GLib's main context, tells at once when it ends.
#pragma once

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
  // `foto` lists the app processes running now; `alCambiar` runs when that list changes.
  // Main thread only, as is the life of this object.
  VigiaApps(Bucle& bucle, double cadaSegundos, Foto foto, std::function<void()> alCambiar);
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

  Bucle& bucle_;
  Foto foto_;
  std::function<void()> alCambiar_;
  std::set<std::pair<pid_t, unsigned long long>> conocidas_;
  std::map<pid_t, unsigned> fuentes_;  // pid → GLib source of its pidfd
  std::shared_ptr<Temporizador> temporizador_;
};

}  // namespace orvo
