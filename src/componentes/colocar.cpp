// Placing a prepared release: at once when nothing uses the component, else after its
// app lets go, retried every 10 seconds; and the replacements the manifest declares.
#include <algorithm>
#include <system_error>

#include "componentes/componentes.h"
#include "comun/archivos.h"
#include "comun/fechas.h"
#include "comun/log.h"

namespace orvo {

namespace fs = std::filesystem;

namespace {

constexpr double kReintento = 10;

// The exchange's failure text ends with the system's description of the error.
std::string causa(const std::string& fallo) {
  auto i = fallo.rfind(": ");
  return i == std::string::npos ? fallo : fallo.substr(i + 2);
}

}  // namespace

void Componentes::colocar(const ComponenteRemoto& r, const fs::path& listo) {
  const auto& id = r.id;
  if (rechazar(id)) return;
  if (enUso(id)) {
    (void)cambiarInstalados([&](auto& lista) {
      for (auto& c : lista)
        if (c.id == id) {
          c.pendiente = marcaDe(r);
          break;
        }
    });
    Log::escribir("componente " + id + ": " + r.version + " espera que " + r.app + " lo suelte");
    return programarReintento();
  }

  const auto& c = carpeta();
  auto destino = c.instalada(id);
  std::error_code e;
  Error fallo;
  if (!fs::exists(fs::symlink_status(destino, e))) {
    fallo = mover(listo, destino);
  } else if (auto x = intercambiar(listo, destino)) {
    fallo = "No pude reemplazar el componente (" + causa(*x) + ")";
  } else {
    // `listo` now holds the release that was installed.
    (void)c.descartar(listo);
  }
  if (fallo) return fallar(id, *fallo);

  auto fecha = textoFecha(ahoraUtc());
  errores.erase(id);
  auto escrito = cambiarInstalados([&](auto& lista) {
    auto activadoDe = [&](const std::string& de) -> std::optional<bool> {
      auto x = std::find_if(lista.begin(), lista.end(), [&](const auto& c) { return c.id == de; });
      return x == lista.end() ? std::nullopt : std::optional(x->activado);
    };
    // A replacement keeps the user's switch of the component it replaces.
    auto activado = activadoDe(id);
    if (!activado && r.migrarDe) activado = activadoDe(*r.migrarDe);
    std::erase_if(lista, [&](const auto& x) { return x.id == id; });
    lista.push_back({.id = id,
                     .nombre = r.nombre,
                     .app = r.app,
                     .version = r.version,
                     .build = r.build,
                     .activado = activado.value_or(true),
                     .ruta = fs::absolute(destino, e).string(),
                     .instalado = fecha});
  });
  if (escrito) fallar(id, *escrito);
  Log::escribir("componente " + id + " " + r.version + " " + r.build.value_or("") + " instalado");
  if (r.migrarDe) reemplazos();
}

void Componentes::programarReintento() {
  if (reintento_) return;
  std::weak_ptr<int> vivo = vida_;
  reintento_ = plataforma_.bucle.cada(kReintento, [this, vivo] {
    if (!vivo.expired()) aplicarPendientes();
  });
}

void Componentes::aplicarPendientes() {
  bool espera = false;
  for (const auto& inst : instalados()) {
    if (!inst.pendiente || !idSeguro(inst.id)) continue;
    auto listo = carpeta().pendiente(inst.id);
    std::error_code e;
    const auto* r = remoto(inst.id);
    // Only the release that was staged may be placed under the current record: a newer
    // one published meanwhile is fetched by the synchronisation instead.
    if (!fs::exists(listo, e) || !r || marcaDe(*r) != *inst.pendiente) continue;
    if (enUso(inst.id))
      espera = true;
    else
      colocar(*r, listo);
  }
  if (espera) {
    programarReintento();
  } else if (reintento_) {
    reintento_->detener();
    reintento_.reset();
  }
}

void Componentes::reemplazos() {
  auto lista = remotos;
  for (const auto& r : lista) {
    if (!r.migrarDe || r.migrarDe->empty() || *r.migrarDe == r.id) continue;
    const auto& viejo = *r.migrarDe;
    if (!instalado(viejo)) continue;
    if (!instalado(r.id)) {
      if (!plataforma_.condiciones.espera()) instalar(r.id);
    } else if (!enUso(viejo) && quitar(viejo)) {
      Log::escribir("componente " + viejo + " reemplazado por " + r.id);
    }
  }
}

}  // namespace orvo
