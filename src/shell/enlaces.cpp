#include "shell/enlaces.h"

#include "comun/url.h"

namespace orvo {

namespace {

struct Enlace {
  std::string tipo;  // the host: "skill" or "componente"
  std::string accion;
  std::string consulta;
};

std::optional<Enlace> leer(const std::string& texto) {
  auto url = analizarUrl(texto);
  if (!url || url->esquema != "orvosuite" || !url->autoridad) return std::nullopt;
  // The action is the last path component; a trailing "/" does not make an empty one.
  std::string_view ruta = url->ruta;
  if (ruta.size() > 1 && ruta.ends_with('/')) ruta.remove_suffix(1);
  auto corte = ruta.rfind('/');
  if (corte == std::string_view::npos) return std::nullopt;
  // Host and action are compared as the link means them, percent-decoded.
  return Enlace{desescapar(url->host()).value_or(""),
                desescapar(ruta.substr(corte + 1)).value_or(""), url->consulta.value_or("")};
}

// `revisado` is set once the batch asked for its one refresh.
void atender(const Enlace& e, const DestinosEnlace& d, bool& revisado) {
  if (e.accion == "revisar") {
    if (d.revisar && !revisado) d.revisar();
    revisado = true;
    return;
  }
  if (e.accion != "instalar" && e.accion != "quitar") return;
  auto id = valorConsulta(e.consulta, "id");
  if (!id || id->empty()) return;
  if (e.tipo == "skill") {
    if (d.skill)
      d.skill(e.accion, *id, valorConsulta(e.consulta, "confirmada") == "1",
              valorConsulta(e.consulta, "forzar") == "1");
  } else if (d.componente) {
    d.componente(e.accion, *id);
  }
}

}  // namespace

std::optional<std::string> valorConsulta(std::string_view consulta, std::string_view nombre) {
  while (!consulta.empty()) {
    auto fin = consulta.find('&');
    auto item = consulta.substr(0, fin);
    consulta.remove_prefix(fin == std::string_view::npos ? consulta.size() : fin + 1);
    auto igual = item.find('=');
    if (desescapar(item.substr(0, igual)) != nombre) continue;
    if (igual == std::string_view::npos) return std::nullopt;
    return desescapar(item.substr(igual + 1));
  }
  return std::nullopt;
}

void manejarEnlaces(const std::vector<std::string>& urls, const DestinosEnlace& destinos) {
  bool revisado = false;
  for (const char* tipo : {"skill", "componente"})
    for (const auto& texto : urls)
      if (auto enlace = leer(texto); enlace && enlace->tipo == tipo)
        atender(*enlace, destinos, revisado);
}

}  // namespace orvo
