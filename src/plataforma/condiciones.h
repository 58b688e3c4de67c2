// What the system says about spending now: a connection with a data limit, or power
// saving. Automatic downloads wait while either holds; what the user asks for runs anyway.
// Real: GIO's network and power profile monitors.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace orvo {

class Condiciones {
 public:
  virtual ~Condiciones() = default;

  virtual bool redLimitada() = 0;
  virtual bool ahorroDeEnergia() = 0;
  // `alCambiar` runs on the main thread when either changes. One observer.
  virtual void observar(std::function<void()> alCambiar) = 0;

  // Why automatic downloads wait now, as the pages say it; absent when they may start.
  std::optional<std::string> espera();
};

// A system that never asks to wait: what a platform without monitors offers.
Condiciones& sinCondiciones();

}  // namespace orvo
