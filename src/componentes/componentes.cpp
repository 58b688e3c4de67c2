// Requests, the installed list and its single writer, removal and the switches.
#include "componentes/componentes.h"

#include <algorithm>
#include <cassert>

#include "catalogo/catalogo.h"
#include "comun/log.h"
#include "comun/versiones.h"

namespace orvo {

Componentes::Componentes(Plataforma& plataforma, Catalogo& catalogo)
    : plataforma_(plataforma), catalogo_(catalogo) {}

Componentes::~Componentes() {
  if (reintento_) reintento_->detener();
}

const CarpetaComponentes& Componentes::carpeta() {
  if (!carpeta_) carpeta_ = CarpetaComponentes::crear(catalogo_.carpeta / "componentes");
  return *carpeta_;
}

std::vector<ComponenteInstalado> Componentes::instalados() {
  auto doc = carpeta().leerInstalados();
  return doc ? doc.valor().componentes : std::vector<ComponenteInstalado>{};
}

std::optional<ComponenteInstalado> Componentes::instalado(const std::string& id) {
  for (auto& c : instalados())
    if (c.id == id) return c;
  return std::nullopt;
}

const ComponenteRemoto* Componentes::remoto(const std::string& id) const {
  auto r = std::find_if(remotos.begin(), remotos.end(), [&](const auto& c) { return c.id == id; });
  return r == remotos.end() ? nullptr : &*r;
}

void Componentes::avisar() {
  if (alCambiar) alCambiar();
}

void Componentes::fallar(const std::string& id, std::string mensaje) {
  errores[id] = std::move(mensaje);
  avisar();
}

bool Componentes::rechazar(const std::string& id) {
  if (idSeguro(id)) return false;
  Log::escribir("componente con identificador no válido rechazado");
  fallar(id, "El identificador del componente no es válido. No toqué nada.");
  return true;
}

void Componentes::pedir(const std::string& accion, const std::string& id) {
  assert(plataforma_.bucle.enHiloPrincipal());
  if (rechazar(id)) return;
  if (!catalogo_.manifiesto) {
    pedidos.emplace_back(accion, id);
    return;
  }
  if (accion == "quitar")
    quitar(id);
  else
    instalar(id);
}

void Componentes::instalar(const std::string& id) {
  if (descargando.contains(id) || rechazar(id)) return;
  const auto* r = remoto(id);
  if (!r) return fallar(id, "No está disponible para tu cuenta");
  if (auto inst = instalado(id); inst && !hayNueva(*r) && !inst->pendiente) return;
  if (r->minApp) {
    auto v = versionDeApp(r->app);
    if (v && compararVersiones(*v, *r->minApp) < 0)
      return fallar(id,
                    "Necesita " + r->app + " " + *r->minApp + " o más nueva (tienes " + *v + ")");
  }
  descargando.insert(id);
  errores.erase(id);
  avisar();
  Log::escribir("componente " + id + ": descargar " + r->version + " " + r->build.value_or(""));
  descargar(*r);
}

bool Componentes::quitar(const std::string& id) {
  if (rechazar(id)) return false;
  if (enUso(id)) {
    fallar(id, "Está en uso: desactívalo en la app antes de quitarlo");
    return false;
  }
  const auto& c = carpeta();
  auto fallo = c.descartar(c.instalada(id));
  if (!fallo) fallo = c.descartar(c.pendiente(id));
  // A folder that stays cannot be reported as removed: the record stays with it.
  if (fallo) {
    fallar(id, "No pude quitar el componente (" + *fallo + ")");
    return false;
  }
  errores.erase(id);
  auto escrito = cambiarInstalados(
      [&](auto& lista) { std::erase_if(lista, [&](const auto& x) { return x.id == id; }); });
  if (escrito) {
    fallar(id, *escrito);
    return false;
  }
  Log::escribir("componente " + id + " quitado");
  return true;
}

void Componentes::activar(const std::string& id, bool activado) {
  if (rechazar(id)) return;
  auto escrito = cambiarInstalados([&](auto& lista) {
    for (auto& c : lista)
      if (c.id == id) {
        c.activado = activado;
        break;
      }
  });
  if (escrito) fallar(id, *escrito);
}

Error Componentes::cambiarInstalados(
    const std::function<void(std::vector<ComponenteInstalado>&)>& cambio) {
  assert(plataforma_.bucle.enHiloPrincipal());
  auto leido = carpeta().leerInstalados();
  if (!leido) {
    avisar();
    return "No pude guardar la lista de componentes (" + leido.error() + ")";
  }
  auto& doc = leido.valor();
  cambio(doc.componentes);
  doc.actualizado = textoFecha(ahoraUtc());
  std::stable_sort(doc.componentes.begin(), doc.componentes.end(),
                   [](const auto& a, const auto& b) { return a.id < b.id; });
  Error fallo = carpeta().guardarInstalados(doc);
  avisar();
  if (fallo) return "No pude guardar la lista de componentes (" + *fallo + ")";
  return std::nullopt;
}

bool Componentes::enUso(const std::string& id) {
  return idSeguro(id) && marcaViva(carpeta().instalada(id));
}

std::optional<std::string> Componentes::versionDeApp(const std::string& app) const {
  for (const auto& c : appsConocidas()) {
    if (c.app != app + ".app") continue;
    AppRemota conocida;
    conocida.id = c.id;
    conocida.bundle = c.bundle;
    conocida.app = c.app;
    auto v = catalogo_.versionInstalada(conocida);
    return v ? std::optional(v->version) : std::nullopt;
  }
  return std::nullopt;
}

}  // namespace orvo
