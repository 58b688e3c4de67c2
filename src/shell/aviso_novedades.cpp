#include "shell/aviso_novedades.h"

namespace orvo {

namespace {

std::string contar(size_t n, const char* uno, const char* varios) {
  return std::to_string(n) + " " + (n == 1 ? uno : varios);
}

std::string unir(const std::vector<std::string>& partes) {
  std::string s;
  for (const auto& p : partes) s += (s.empty() ? "" : ", ") + p;
  return s;
}

}  // namespace

std::string AvisoNovedades::titulo(const Novedades& n) {
  std::string cuenta;
  if (!n.apps.empty()) cuenta = contar(n.apps.size(), "actualización", "actualizaciones");
  if (!n.avisos.empty())
    cuenta += (cuenta.empty() ? "" : " y ") + contar(n.avisos.size(), "aviso", "avisos");
  return "Hay " + cuenta + " de Orvo";
}

void AvisoNovedades::alEstado(const Novedades& n, bool principalEnFoco) {
  size_t cuenta = n.apps.size() + n.avisos.size();
  bool subio = cuenta > anterior_;
  // The count is remembered even while the window has the focus: what the user saw
  // there is no news later.
  anterior_ = cuenta;
  if (!subio || principalEnFoco) return;
  std::string cuerpo = unir(n.apps);
  if (!n.avisos.empty()) cuerpo += (cuerpo.empty() ? "" : "\n") + unir(n.avisos);
  notificaciones_.mostrar(titulo(n), cuerpo, !n.apps.empty());
}

}  // namespace orvo
