#include "shell/nucleo.h"

#include <cassert>

namespace orvo {

namespace {
Nucleo* vivo = nullptr;
}

Nucleo::Nucleo(Plataforma plataforma) : plataforma_(plataforma) {
  assert(!vivo && "one owner of the managers at a time");
  vivo = this;
  catalogo_ = std::make_unique<Catalogo>(plataforma_, *this);
  cuenta_ = std::make_unique<Cuenta>(plataforma_, *catalogo_);
  instalador_ = std::make_unique<Instalador>(plataforma_, *catalogo_);
  componentes_ = std::make_unique<Componentes>(plataforma_, *catalogo_);
  skills_ = std::make_unique<Skills>(plataforma_, *catalogo_, *cuenta_);
  // The desktop has one observer; the installer's waits and the pages both need it.
  plataforma_.espacio.observar([this] {
    instalador_->appsCambiaron();
    if (alCambiarApps) alCambiarApps();
  });
  plataforma_.condiciones.observar([this] {
    // The updates the last manifest brought and the wait held back start now.
    if (!plataforma_.condiciones.espera() && catalogo_->manifiesto)
      sincronizar(*catalogo_->manifiesto);
    if (alCambiarCondiciones) alCambiarCondiciones();
  });
}

Nucleo::~Nucleo() {
  plataforma_.condiciones.observar({});
  plataforma_.espacio.observar({});
  vivo = nullptr;
}

Nucleo& Nucleo::actual() {
  assert(vivo);
  return *vivo;
}

void Nucleo::sincronizar(const Manifiesto& m) {
  componentes_->sincronizar(m.componentes);
  skills_->sincronizar(m.skills, m.skills_quitar);
}
std::vector<Json> Nucleo::componentesDelReporte() { return componentes_->reporte(); }
std::vector<std::string> Nucleo::skillsDelReporte() { return skills_->ids(); }

Catalogo& Catalogo::shared() { return Nucleo::actual().catalogo(); }
Cuenta& Cuenta::shared() { return Nucleo::actual().cuenta(); }
Instalador& Instalador::shared() { return Nucleo::actual().instalador(); }
Componentes& Componentes::shared() { return Nucleo::actual().componentes(); }
Skills& Skills::shared() { return Nucleo::actual().skills(); }

}  // namespace orvo
