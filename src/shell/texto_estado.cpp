#include "shell/texto_estado.h"

namespace orvo {

std::string textoApp(const Json& e) {
  auto texto = [&](const char* k) { return e.value(k, std::string()); };
  std::string s = texto("nombre") + " " + texto("version");
  if (!texto("build").empty()) s += " \u00b7 " + texto("build");
  s += ": ";
  if (e.value("instalada", false)) {
    s += "instalada " + texto("verInstalada");
    if (e.value("nueva", false))
      s += e.value("omitida", false) ? ", omitida la nueva" : ", hay una nueva";
    if (!texto("anterior").empty()) s += ", guardada la " + texto("anterior");
  } else {
    s += "no instalada";
  }
  if (e.value("abierta", false)) s += ", abierta";
  return s;
}

std::string textoEstado(const std::vector<Json>& estados) {
  if (estados.empty()) return "sin apps";
  std::string s;
  for (const auto& e : estados) s += (s.empty() ? "" : "; ") + textoApp(e);
  return s;
}

}  // namespace orvo
