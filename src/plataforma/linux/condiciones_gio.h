// The system's conditions from GIO: the network monitor's `network-metered` and the power
// profile monitor's `power-saver-enabled`, heard through their notify signals.
#pragma once

#include <gio/gio.h>

#include <functional>

#include "plataforma/condiciones.h"

namespace orvo {

class CondicionesGio : public Condiciones {
 public:
  // On the main thread, before any other thread of the program starts and before the web
  // module loads: the monitors are GIO extension points, which load modules, and their
  // signals come on the main context this way.
  CondicionesGio();
  ~CondicionesGio() override;
  CondicionesGio(const CondicionesGio&) = delete;
  CondicionesGio& operator=(const CondicionesGio&) = delete;

  bool redLimitada() override;
  bool ahorroDeEnergia() override;
  void observar(std::function<void()> alCambiar) override;

 private:
  static void cambio(GObject*, GParamSpec*, gpointer yo);

  GNetworkMonitor* red_ = nullptr;           // GIO's, shared by the process
  GPowerProfileMonitor* energia_ = nullptr;  // ours
  gulong avisoRed_ = 0, avisoEnergia_ = 0;
  // What the observer last heard: a notify that changes nothing is not passed on.
  bool limitada_ = false, ahorro_ = false;
  std::function<void()> alCambiar_;
};

}  // namespace orvo
