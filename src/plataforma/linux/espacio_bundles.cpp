// Bundles on disk: finding one by identifier, starting it, registering it with the desktop.
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "comun/archivos.h"
#include "comun/comillas.h"
#include "plataforma/linux/entrada_escritorio.h"
#include "plataforma/linux/espacio_linux.h"
#include "plataforma/linux/lanzar.h"

namespace orvo {

namespace fs = std::filesystem;

namespace {

// "/x/Video.app/" and "Video.app" both name the folder Video.app.
fs::path carpetaDe(const fs::path& bundle) {
  auto ruta = fs::absolute(bundle).lexically_normal();
  return ruta.has_filename() ? ruta : ruta.parent_path();
}

std::string nombreVisible(const fs::path& bundle) {
  auto nombre = carpetaDe(bundle).filename().string();
  return nombre.ends_with(".app") && nombre.size() > 4 ? nombre.substr(0, nombre.size() - 4)
                                                       : nombre;
}

std::string motivoDeArranque(int codigo, const fs::path& ejecutable) {
  std::error_code e;
  switch (codigo) {
    case ENOENT:
      return fs::exists(ejecutable, e)
                 ? "no está instalado el intérprete que pide su ejecutable"
                 : "falta su ejecutable Contents/MacOS/" + ejecutable.filename().string();
    case EACCES:
      return "su ejecutable no tiene permiso de ejecución";
    case ENOEXEC:
      return "su ejecutable no tiene un formato que Linux sepa ejecutar";
    default:
      return std::string("el sistema no pudo iniciarlo (") + std::strerror(codigo) + ")";
  }
}

// The bundle's main executable, or why it has none, as it follows "No se pudo abrir X: ".
Resultado<fs::path> ejecutableDe(const fs::path& ruta, const std::optional<ClavesPlist>& info) {
  if (!info) return Resultado<fs::path>::fallo("falta su Info.plist o no se puede leer");
  auto exe = ejecutablePrincipal(ruta, *info);
  if (!exe)
    return Resultado<fs::path>::fallo(
        "su Info.plist no nombra un ejecutable válido (CFBundleExecutable)");
  return Resultado<fs::path>::exito(*exe);
}

}  // namespace

void EspacioLinux::empezarPase() {
  std::lock_guard l(pase_.mutex);
  if (pase_.nivel > 0 && pase_.hilo != std::this_thread::get_id()) return;
  if (pase_.nivel++ > 0) return;
  pase_.hilo = std::this_thread::get_id();
  ++pase_.numero;
  pase_.entradas.reset();
}

void EspacioLinux::terminarPase() {
  std::lock_guard l(pase_.mutex);
  if (pase_.nivel > 0 && pase_.hilo == std::this_thread::get_id()) --pase_.nivel;
}

unsigned long EspacioLinux::paseActual() {
  std::lock_guard l(pase_.mutex);
  return pase_.nivel > 0 && pase_.hilo == std::this_thread::get_id() ? pase_.numero : 0;
}

bool EspacioLinux::puedeHaberEntrada(const std::string& nombre) {
  if (!paseActual()) return true;
  std::lock_guard l(pase_.mutex);
  if (!pase_.entradas) {
    pase_.entradas.emplace();
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(entradas_, ec))
      pase_.entradas->insert(e.path().filename().string());
  }
  return pase_.entradas->contains(nombre);
}

std::optional<fs::path> EspacioLinux::ubicar(const std::string& bundle) {
  if (bundle.empty()) return std::nullopt;
  // An entry whose bundle was moved, removed or replaced by another app no longer counts.
  if (auto nombre = nombreDeEntrada(bundle); puedeHaberEntrada(nombre))
    if (auto e = leerEntrada(entradas_ / nombre);
        e && e->bundle == bundle && plists_.identificador(e->ruta, paseActual()) == bundle)
      return e->ruta;
  return enAplicaciones(bundle);
}

std::optional<fs::path> EspacioLinux::enAplicaciones(const std::string& bundle) {
  auto pase = paseActual();
  std::lock_guard l(indice_.mutex);
  auto buscar = [&]() -> std::optional<fs::path> {
    auto it = indice_.porId.find(bundle);
    if (it == indice_.porId.end()) return std::nullopt;
    // A bundle rewritten in place keeps the folder's timestamps: check it still is that one.
    if (plists_.identificador(it->second, pase) == bundle) return it->second;
    return std::nullopt;
  };
  auto dentro = [&] { return indice_.porId.contains(bundle); };
  // Within a pass the folder is taken as it was when the pass first looked.
  bool probado = pase && indice_.pase == pase;
  if (probado) {
    if (auto ruta = buscar()) return ruta;
    if (!dentro()) return std::nullopt;
  }
  struct stat st {};
  if (::stat(aplicaciones_.c_str(), &st) != 0) return std::nullopt;
  auto igual = [](const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
  };
  if (!probado && indice_.valido && igual(st.st_mtim, indice_.mtime) &&
      igual(st.st_ctim, indice_.ctime)) {
    indice_.pase = pase;
    if (auto ruta = buscar()) return ruta;
    if (!dentro()) return std::nullopt;
  }
  std::error_code ec;
  std::vector<fs::path> candidatos;
  for (const auto& entrada : fs::directory_iterator(aplicaciones_, ec))
    if (entrada.path().extension() == ".app") candidatos.push_back(entrada.path());
  // Sorted, so that of two bundles with one identifier the first by name wins, as before.
  std::sort(candidatos.rbegin(), candidatos.rend());
  indice_.porId.clear();
  for (const auto& c : candidatos)
    if (auto id = plists_.identificador(c, pase)) indice_.porId[*id] = c;
  indice_.pase = pase;
  struct timespec ahora {};
  ::clock_gettime(CLOCK_REALTIME, &ahora);
  indice_.mtime = st.st_mtim;
  indice_.ctime = st.st_ctim;
  indice_.valido = ahora.tv_sec - std::max(st.st_mtim.tv_sec, st.st_ctim.tv_sec) > 2;
  auto it = indice_.porId.find(bundle);
  return it == indice_.porId.end() ? std::nullopt : std::optional(it->second);
}

Error EspacioLinux::abrir(const fs::path& bundle) {
  const auto ruta = carpetaDe(bundle);
  auto fallo = [&](const std::string& motivo) {
    return "No se pudo abrir " + nombreVisible(ruta) + ": " + motivo + ".";
  };
  auto exe = ejecutableDe(ruta, plists_.leer(ruta));
  if (!exe) return fallo(exe.error());
  if (int codigo = lanzarDesligado(exe.valor()))
    return fallo(motivoDeArranque(codigo, exe.valor()));
  return std::nullopt;
}

Error EspacioLinux::alFrente(const AppEnMarcha& app) {
  if (!escritorio_.alzar && !escritorio_.ficha) return "no hay pantalla";
  if (escritorio_.alzar && escritorio_.alzar(app.pid)) return std::nullopt;
  const auto ruta = carpetaDe(app.ruta);
  auto fallo = [&](const std::string& motivo) {
    return "No se pudo traer " + nombreVisible(ruta) + " al frente: " + motivo + ".";
  };
  auto exe = ejecutableDe(ruta, plists_.leer(ruta));
  if (!exe) return fallo(exe.error());
  // Both names: Wayland compositors read the first, X11 startup notification the second.
  std::vector<std::string> entorno;
  if (auto ficha = escritorio_.ficha ? escritorio_.ficha(exe.valor()) : std::nullopt)
    entorno = {"XDG_ACTIVATION_TOKEN=" + *ficha, "DESKTOP_STARTUP_ID=" + *ficha};
  if (int codigo = lanzarDesligado(exe.valor(), {}, entorno))
    return fallo(motivoDeArranque(codigo, exe.valor()));
  return std::nullopt;
}

Error EspacioLinux::abrirDespues(const fs::path& bundle, double segundos) {
  const auto ruta = carpetaDe(bundle);
  auto fallo = [&](const std::string& motivo) {
    return "No se pudo abrir " + nombreVisible(ruta) + " más tarde: " + motivo + ".";
  };
  auto exe = ejecutableDe(ruta, plists_.leer(ruta));
  if (!exe) return fallo(exe.error());
  char espera[32];
  std::snprintf(espera, sizeof espera, "%.1f", segundos > 0 ? segundos : 0.0);
  std::string orden = "sleep " + std::string(espera) + "; exec " + entreComillas(exe.valor());
  if (int codigo = lanzarDesligado("/bin/sh", {"-c", orden})) return fallo(std::strerror(codigo));
  return std::nullopt;
}

Error EspacioLinux::registrar(const fs::path& bundle) {
  const auto ruta = carpetaDe(bundle);
  auto fallo = [&](const std::string& motivo) {
    return "No se pudo registrar " + nombreVisible(ruta) + ": " + motivo + ".";
  };
  auto info = plists_.leer(ruta);
  if (!info) return fallo("falta su Info.plist o no se puede leer");
  auto id = plists_.identificador(ruta);
  if (!id) return fallo("su Info.plist no tiene CFBundleIdentifier");
  auto exe = ejecutableDe(ruta, info);
  if (!exe) return fallo(exe.error());
  auto nombre = info->find("CFBundleName");
  auto texto = textoDeEntrada(
      {*id, ruta,
       nombre != info->end() && !nombre->second.empty() ? nombre->second : nombreVisible(ruta),
       exe.valor()});
  if (!texto) return fallo(texto.error());
  std::error_code ec;
  fs::create_directories(entradas_, ec);
  if (ec) return fallo("no se pudo crear " + entradas_.string() + " (" + ec.message() + ")");
  if (auto e = escribirAtomico(entradas_ / nombreDeEntrada(*id), texto.valor(), 0644))
    return fallo(*e);
  return std::nullopt;
}

}  // namespace orvo
