// Stand-ins for the installer's download session and the password prompt, for tests
// that never install an app.
#pragma once

#include <gtest/gtest.h>

#include "plataforma/condiciones.h"
#include "plataforma/descargas.h"
#include "plataforma/permisos.h"

namespace orvo::prueba {

class DescargasInertes : public Descargas {
 public:
  void avisar(Avisos) override {}
  TareaDescarga iniciar(PeticionHttp, std::optional<DatosRetomar>) override {
    ADD_FAILURE() << "no download expected";
    return 0;
  }
  void cancelarRetomando(TareaDescarga, std::function<void(std::optional<DatosRetomar>)>) override {
  }
  void cancelar(TareaDescarga) override {}
  TareaDescarga pedirTramos(PedidoTramos, std::function<void(int64_t)>,
                            std::function<void(RespuestaTramos)>) override {
    ADD_FAILURE() << "no ranges expected";
    return 0;
  }
};

class PermisosInertes : public Permisos {
 public:
  Error comoAdministrador(const std::string&) override { return "sin permisos en pruebas"; }
  void abrirAjustesSeguridad() override {}
};

// Conditions a test turns on and off; `poner` tells the observer, as the monitors do.
class CondicionesPrueba : public Condiciones {
 public:
  bool limitada = false, ahorro = false;
  bool redLimitada() override { return limitada; }
  bool ahorroDeEnergia() override { return ahorro; }
  void observar(std::function<void()> f) override { alCambiar_ = std::move(f); }
  void poner(bool red, bool energia) {
    limitada = red, ahorro = energia;
    if (alCambiar_) alCambiar_();
  }

 private:
  std::function<void()> alCambiar_;
};

}  // namespace orvo::prueba
