// The one owner of every manager for the life of the process. The managers' `shared()`
// accessors return its members; tests build a fresh one for each case.
#pragma once

#include <memory>

#include "catalogo/catalogo.h"
#include "catalogo/vecinos.h"
#include "cuenta/cuenta.h"
#include "plataforma/plataforma.h"

namespace orvo {

class Nucleo : public Vecinos {
 public:
  explicit Nucleo(Plataforma plataforma);
  ~Nucleo() override;
  Nucleo(const Nucleo&) = delete;
  Nucleo& operator=(const Nucleo&) = delete;

  // The live instance; there is exactly one while any manager is in use.
  static Nucleo& actual();

  Plataforma& plataforma() { return plataforma_; }
  Catalogo& catalogo() { return *catalogo_; }
  Cuenta& cuenta() override { return *cuenta_; }

  void sincronizar(const Manifiesto& manifiesto) override;
  std::vector<Json> componentesDelReporte() override;
  std::vector<std::string> skillsDelReporte() override;

 private:
  Plataforma plataforma_;
  std::unique_ptr<Catalogo> catalogo_;
  std::unique_ptr<Cuenta> cuenta_;
};

}  // namespace orvo
