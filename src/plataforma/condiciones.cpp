#include "plataforma/condiciones.h"

namespace orvo {

std::optional<std::string> Condiciones::espera() {
  if (redLimitada()) return "Esperando una red sin límite de datos";
  if (ahorroDeEnergia()) return "Esperando a que termine el ahorro de energía";
  return std::nullopt;
}

namespace {

class Libres : public Condiciones {
 public:
  bool redLimitada() override { return false; }
  bool ahorroDeEnergia() override { return false; }
  void observar(std::function<void()>) override {}
};

}  // namespace

Condiciones& sinCondiciones() {
  static Libres libres;
  return libres;
}

}  // namespace orvo
