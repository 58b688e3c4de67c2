#include "plataforma/cola_eventos.h"

#include <algorithm>

namespace orvo {

ColaEventos::ColaEventos(std::function<void(const std::string&)> correr)
    : correr_(std::move(correr)) {}

std::optional<std::string> ColaEventos::llamada(const Json& evento) {
  try {
    return "window.suite && window.suite.evento(" + evento.dump() + ")";
  } catch (const Json::exception&) {
    return std::nullopt;
  }
}

void ColaEventos::enviar(const Json& evento) {
  auto js = llamada(evento);
  if (!js) return;
  if (lista_) return correr_(*js);
  std::string tipo;
  if (auto t = evento.find("tipo"); t != evento.end() && t->is_string()) tipo = *t;
  if (tipo == "estado" || tipo == "instalacion")
    std::erase_if(pendientes_, [&](const auto& p) { return p.first == tipo; });
  pendientes_.emplace_back(std::move(tipo), std::move(*js));
}

void ColaEventos::cargada() {
  if (lista_) return;
  lista_ = true;
  auto pendientes = std::move(pendientes_);
  pendientes_.clear();
  for (const auto& [tipo, js] : pendientes) correr_(js);
}

}  // namespace orvo
