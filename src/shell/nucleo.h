// The one owner of every manager for the life of the process. The managers' `shared()`
// accessors return its members; tests build a fresh one for each case.
#pragma once

#include <functional>
#include <memory>

#include "catalogo/catalogo.h"
#include "catalogo/vecinos.h"
#include "componentes/componentes.h"
#include "cuenta/cuenta.h"
#include "instalador/instalador.h"
#include "plataforma/plataforma.h"
#include "skills/skills.h"

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
  Instalador& instalador() { return *instalador_; }
  Componentes& componentes() { return *componentes_; }
  Skills& skills() { return *skills_; }

  // Runs on the main thread whenever an app starts or quits, after the installer heard it.
  std::function<void()> alCambiarApps;
  // Runs when the system starts or stops asking automatic downloads to wait, after the
  // components and skills took up what waited.
  std::function<void()> alCambiarCondiciones;

  void sincronizar(const Manifiesto& manifiesto) override;
  std::vector<Json> componentesDelReporte() override;
  std::vector<std::string> skillsDelReporte() override;

 private:
  Plataforma plataforma_;
  std::unique_ptr<Catalogo> catalogo_;
  std::unique_ptr<Cuenta> cuenta_;
  std::unique_ptr<Instalador> instalador_;
  std::unique_ptr<Componentes> componentes_;
  std::unique_ptr<Skills> skills_;
};

}  // namespace orvo
