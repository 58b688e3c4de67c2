#include "plataforma/linux/condiciones_gio.h"

namespace orvo {

CondicionesGio::CondicionesGio()
    : red_(g_network_monitor_get_default()), energia_(g_power_profile_monitor_dup_default()) {
  if (red_) avisoRed_ = g_signal_connect(red_, "notify::network-metered", G_CALLBACK(cambio), this);
  if (energia_)
    avisoEnergia_ =
        g_signal_connect(energia_, "notify::power-saver-enabled", G_CALLBACK(cambio), this);
  limitada_ = redLimitada();
  ahorro_ = ahorroDeEnergia();
}

CondicionesGio::~CondicionesGio() {
  if (avisoRed_) g_signal_handler_disconnect(red_, avisoRed_);
  if (avisoEnergia_) g_signal_handler_disconnect(energia_, avisoEnergia_);
  g_clear_object(&energia_);
}

bool CondicionesGio::redLimitada() { return red_ && g_network_monitor_get_network_metered(red_); }

bool CondicionesGio::ahorroDeEnergia() {
  return energia_ && g_power_profile_monitor_get_power_saver_enabled(energia_);
}

void CondicionesGio::observar(std::function<void()> alCambiar) {
  alCambiar_ = std::move(alCambiar);
}

void CondicionesGio::cambio(GObject*, GParamSpec*, gpointer yo) {
  auto* c = static_cast<CondicionesGio*>(yo);
  bool limitada = c->redLimitada(), ahorro = c->ahorroDeEnergia();
  if (limitada == c->limitada_ && ahorro == c->ahorro_) return;
  c->limitada_ = limitada;
  c->ahorro_ = ahorro;
  if (c->alCambiar_) c->alCambiar_();
}

}  // namespace orvo
