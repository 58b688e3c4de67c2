#include "shell/app_delegate.h"

#include "comun/log.h"
#include "shell/enlaces.h"

namespace orvo {

AppDelegate::AppDelegate(Nucleo& nucleo, Pantalla& pantalla, Bandeja& bandeja,
                         Preferencias& preferencias, Notificaciones* notificaciones)
    : nucleo_(nucleo),
      pantalla_(pantalla),
      bandeja_(bandeja),
      preferencias_(preferencias),
      notificaciones_(notificaciones),
      actualizaciones_(nucleo.catalogo(), nucleo.instalador(), nucleo.plataforma().sistema,
                       nucleo.plataforma().condiciones) {}

AppDelegate::~AppDelegate() {
  if (!lanzado_) return;
  if (reloj_) reloj_->detener();
  nucleo_.catalogo().alCambiar = {};
  nucleo_.componentes().alCambiar = {};
  nucleo_.instalador().alCambiar = {};
  nucleo_.instalador().alTerminar = {};
  nucleo_.alCambiarApps = {};
  nucleo_.alCambiarCondiciones = {};
}

void AppDelegate::lanzar() {
  pantalla_.instalarMenu();
  bandeja_.crear({.clic = siVive([this] { clic(); }),
                  .abrirPrincipal = siVive([this] { abrirPrincipal(); }),
                  .buscar = siVive([this] { buscar(); }),
                  .verInstalacion = siVive([this] { verInstalacion(); }),
                  .salir = [this] { pantalla_.terminar(); },
                  .hayInstalacion = [this] { return nucleo_.instalador().actual() != nullptr; }});
  if (notificaciones_) {
    notificaciones_->preparar(
        {.abrir = siVive([this] { abrirPrincipal(); }),
         .actualizarTodo = siVive([this] { actualizaciones_.instalarTodas(); })});
    novedades_.emplace(*notificaciones_);
  }
  principal_ = pantalla_.crearVentana({.pagina = "index.html",
                                       .titulo = "Orvo Suite",
                                       .ancho = 1180,
                                       .alto = 760,
                                       .minimoAncho = 820,
                                       .minimoAlto = 560,
                                       .autoguardado = "OrvoSuitePrincipal"});
  instalador_ = pantalla_.crearVentana({.pagina = "instalador.html",
                                        .titulo = "Orvo Suite \u00b7 Instalador",
                                        .ancho = 860,
                                        .alto = 560,
                                        .minimoAncho = 760,
                                        .minimoAlto = 480,
                                        .autoguardado = "OrvoSuiteInstalador",
                                        .flotante = true});
  principal_->alMensaje = siVive([this](const Json& m) { mensaje(m); });
  instalador_->alMensaje = siVive([this](const Json& m) { mensaje(m); });

  auto& instalador = nucleo_.instalador();
  nucleo_.catalogo().alCambiar = siVive([this] { estado(); });
  nucleo_.componentes().alCambiar = siVive([this] { estado(); });
  instalador.alCambiar = siVive([this](const Instalacion& i) { instalacionCambio(i); });
  instalador.alTerminar = siVive([this](const Instalacion&) { instalacionTermino(); });
  nucleo_.alCambiarApps = siVive([this] { estado(); });
  nucleo_.alCambiarCondiciones = siVive([this] {
    actualizaciones_.instalarAlCerrar();
    estado();
  });

  revisar();
  reloj_ = nucleo_.plataforma().bucle.cada(kIntervaloRevision, siVive([this] { revisar(); }));
  decidirVentana();
  pruebaLogin();

  lanzado_ = true;
  atenderEnlaces(std::exchange(enlaces_, {}));
}

void AppDelegate::revisar() {
  nucleo_.catalogo().revisar(siVive([this] { actualizaciones_.instalarAlCerrar(); }));
}

void AppDelegate::decidirVentana() {
  auto& sistema = nucleo_.plataforma().sistema;
  bool forzada = sistema.entorno("OV_ABRIR") == std::optional<std::string>("1");
  bool yaAbierta = preferencias_.leer("yaAbierta") == std::optional<std::string>("true");
  if (!forzada && !nucleo_.catalogo().necesitaLogin() && yaAbierta) return;
  preferencias_.guardar("yaAbierta", "true");
  principal_->mostrar();
  // Starting at login is a convenience: a refusal must not stop the launch.
  if (auto e = preferencias_.iniciarConSesion()) Log::escribir("inicio con la sesión: " + *e);
}

void AppDelegate::pruebaLogin() {
  auto valor = nucleo_.plataforma().sistema.entorno("OV_PRUEBA_LOGIN");
  if (!valor) return;
  std::vector<std::string> piezas{""};
  for (char c : *valor) {
    if (c == '|')
      piezas.emplace_back();
    else
      piezas.back().push_back(c);
  }
  if (piezas.size() != 3) return;
  mensaje({{"accion", "login"},
           {"servidor", piezas[0]},
           {"email", piezas[1]},
           {"clave", piezas[2]},
           {"acepta", "1.0"}});
}

void AppDelegate::reabrir() {
  if (!lanzado_) return;
  mostrarPrincipal();
  estado();
}

void AppDelegate::abrirEnlaces(const std::vector<std::string>& urls) {
  if (lanzado_) return atenderEnlaces(urls);
  enlaces_.insert(enlaces_.end(), urls.begin(), urls.end());
}

void AppDelegate::atenderEnlaces(const std::vector<std::string>& urls) {
  for (const auto& u : urls) Log::escribir("enlace: " + u);
  auto& skills = nucleo_.skills();
  auto& componentes = nucleo_.componentes();
  auto& catalogo = nucleo_.catalogo();
  orvo::manejarEnlaces(
      urls, {.skill = [&](const std::string& accion, const std::string& id, bool confirmada,
                          bool forzar) { skills.pedir(accion, id, confirmada, forzar); },
             .componente = [&](const std::string& accion,
                               const std::string& id) { componentes.pedir(accion, id); },
             .revisar = [&] { catalogo.revisar(); }});
}

void AppDelegate::mostrarPrincipal() { principal_->mostrar(); }

void AppDelegate::clic() {
  // Shown while the user works in the program, even in the installer window: it hides.
  if (principal_->visible() && pantalla_.activa()) return principal_->ocultar();
  abrirPrincipal();
}

void AppDelegate::abrirPrincipal() {
  mostrarPrincipal();
  estado();
}

void AppDelegate::buscar() {
  revisar();
  mostrarPrincipal();
  estado();
}

void AppDelegate::verInstalacion() { instalador_->mostrar(); }

void AppDelegate::instalacionCambio(const Instalacion& inst) {
  auto& instalador = nucleo_.instalador();
  auto actual = instalador.actual();
  Json todas = Json::array();
  for (const auto& i : instalador.todas) todas.push_back(i->json());
  Json evento{{"tipo", "instalacion"},
              {"instalacion", actual ? actual->json() : inst.json()},
              {"instalaciones", std::move(todas)}};
  instalador_->enviar(evento);
  principal_->enviar(evento);
  bandeja_.refrescarMenu();
  // A background update that merely waits for its app to quit stays out of sight.
  if (inst.fase == Fase::esperaCierre && inst.automatica && !inst.noCerro) return;
  if (!instalador_->visible()) instalador_->mostrar(!inst.automatica);
}

void AppDelegate::instalacionTermino() {
  estado();
  nucleo_.plataforma().bucle.despues(kPausaTrasInstalar, siVive([this] { trasInstalar(); }));
}

void AppDelegate::trasInstalar() {
  auto& instalador = nucleo_.instalador();
  for (const auto& i : instalador.todas)
    if (i->activa()) return;
  if (auto actual = instalador.actual(); actual && actual->fase == Fase::lista) {
    instalador_->ocultar();
    instalador.descartar();
    bandeja_.refrescarMenu();
  }
  actualizaciones_.actualizarme();
}

}  // namespace orvo
