// The hub of the running program: the launch sequence, the two web windows and the tray
// item, every manager's callbacks, the state snapshot and the pages' messages. Main
// thread only; toolkit-free (windows, tray and dialogs come through interfaces).
//
// Where each part lives:
//   app_delegate.cpp  launch, reopen, tray actions, links, the installation reactions
//   estado.cpp        the state snapshot and the tray's count and tool tip
//   mensaje.cpp       the dispatcher of the pages' messages
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "plataforma/bandeja.h"
#include "plataforma/notificaciones.h"
#include "plataforma/preferencias.h"
#include "plataforma/ventana.h"
#include "shell/actualizaciones.h"
#include "shell/aviso_novedades.h"
#include "shell/nucleo.h"

namespace orvo {

class AppDelegate {
 public:
  // Without `notificaciones` news reach the user through the tray item only.
  AppDelegate(Nucleo& nucleo, Pantalla& pantalla, Bandeja& bandeja, Preferencias& preferencias,
              Notificaciones* notificaciones = nullptr);
  ~AppDelegate();
  AppDelegate(const AppDelegate&) = delete;
  AppDelegate& operator=(const AppDelegate&) = delete;

  // Menu, tray item, windows, callbacks, the first check and the 120 s timer, the main
  // window if it should show, the test sign-in. Once.
  void lanzar();
  // A plain second launch of the program: the main window in front, a fresh snapshot.
  void reabrir();
  // orvosuite: links from a launch; kept until the launch sequence has run.
  void abrirEnlaces(const std::vector<std::string>& urls);

  // Rebuilds the snapshot, pushes it to both pages, refreshes the tray item.
  void estado();
  Json foto() const;
  // The tray's tool tip for a count of apps with a newer version plus notices.
  static std::string ayuda(int cuenta);

  void mensaje(const Json& m);

  // Tray actions.
  void clic();
  void abrirPrincipal();
  void buscar();
  void verInstalacion();

  Actualizaciones& actualizaciones() { return actualizaciones_; }
  Ventana* principal() { return principal_.get(); }
  Ventana* instalador() { return instalador_.get(); }

  static constexpr double kIntervaloRevision = 120.0;
  static constexpr double kPausaTrasInstalar = 3.2;

 private:
  void mostrarPrincipal();
  void decidirVentana();
  void pruebaLogin();
  void atenderEnlaces(const std::vector<std::string>& urls);
  void revisar();
  void instalacionCambio(const Instalacion& inst);
  void instalacionTermino();
  void trasInstalar();
  std::optional<AppRemota> appDe(const Json& m) const;
  void abrirApp(const AppRemota& app);
  void entrar(const Json& m);
  // `f` wrapped so that it does nothing once the delegate is gone.
  template <class F>
  auto siVive(F f) {
    return [vida = std::weak_ptr<int>(vida_), f = std::move(f)](auto&&... a) {
      if (!vida.expired()) f(std::forward<decltype(a)>(a)...);
    };
  }

  Nucleo& nucleo_;
  Pantalla& pantalla_;
  Bandeja& bandeja_;
  Preferencias& preferencias_;
  Notificaciones* notificaciones_;
  std::optional<AvisoNovedades> novedades_;
  Actualizaciones actualizaciones_;
  std::unique_ptr<Ventana> principal_, instalador_;
  std::shared_ptr<Temporizador> reloj_;
  bool lanzado_ = false;
  std::vector<std::string> enlaces_;
  // Callbacks and timers hold this weakly: gone means the delegate is gone.
  std::shared_ptr<int> vida_ = std::make_shared<int>(0);
};

}  // namespace orvo
