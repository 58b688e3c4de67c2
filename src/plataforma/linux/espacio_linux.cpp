// Running apps, their end, and the watcher; bundles on disk are in espacio_bundles.cpp.
#include "plataforma/linux/espacio_linux.h"

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

#include "plataforma/linux/entrada_escritorio.h"
#include "plataforma/linux/pidfd.h"
#include "plataforma/linux/procesos.h"
#include "plataforma/linux/vigia_apps.h"

namespace orvo {

namespace fs = std::filesystem;

EspacioLinux::EspacioLinux(fs::path aplicaciones, fs::path entradas, Bucle& bucle,
                           double cadaSegundos)
    : aplicaciones_(std::move(aplicaciones)),
      entradas_(std::move(entradas)),
      bucle_(bucle),
      cadaSegundos_(cadaSegundos) {}

EspacioLinux::~EspacioLinux() = default;

std::optional<std::string> EspacioLinux::appDelEjecutable(const fs::path& exe) {
  auto bundle = bundleDelEjecutable(exe);
  if (!bundle) return std::nullopt;
  auto info = plists_.leer(*bundle);
  if (!info) return std::nullopt;
  // Helpers beside the main executable are the app's leftovers, not the app.
  auto principal = ejecutablePrincipal(*bundle, *info);
  auto id = info->find("CFBundleIdentifier");
  if (!principal || *principal != exe || id == info->end()) return std::nullopt;
  return id->second;
}

std::vector<AppEnMarcha> EspacioLinux::appsEnMarcha() {
  std::vector<AppEnMarcha> apps;
  for (const auto& p : procesos_.vivos()) {
    for (const auto& exe : p.ejecutables) {
      if (auto id = appDelEjecutable(exe)) {
        apps.push_back(AppEnMarcha{p.pid, *id, *bundleDelEjecutable(exe), p.inicio});
        break;
      }
    }
  }
  return apps;
}

std::vector<AppEnMarcha> EspacioLinux::enMarcha(const std::string& bundle) {
  std::vector<AppEnMarcha> suyas;
  for (auto& a : appsEnMarcha())
    if (a.bundle == bundle) suyas.push_back(std::move(a));
  return suyas;
}

bool EspacioLinux::terminada(const AppEnMarcha& app) {
  auto p = procesoDe(app.pid);
  return !p || (app.inicio != 0 && p->inicio != app.inicio);
}

bool EspacioLinux::sigueSiendo(const AppEnMarcha& app) {
  auto p = procesoDe(app.pid);
  if (!p || (app.inicio != 0 && p->inicio != app.inicio)) return false;
  for (const auto& exe : p->ejecutables)
    if (appDelEjecutable(exe) == app.bundle) return true;
  return false;
}

bool EspacioLinux::pedirCierre(const AppEnMarcha& app) {
  if (app.pid <= 0 || app.bundle.empty()) return false;
  // Opened before the check, the pidfd keeps naming the process checked even if it
  // ends and its pid is reused before the signal goes out.
  int fd = abrirPidfd(app.pid);
  bool enviada = false;
  if (sigueSiendo(app))
    enviada = fd >= 0 ? senalPorPidfd(fd, SIGTERM) : ::kill(app.pid, SIGTERM) == 0;
  if (fd >= 0) ::close(fd);
  return enviada;
}

std::optional<std::map<std::string, std::string>> EspacioLinux::infoPlist(const fs::path& bundle) {
  return plists_.leer(bundle, paseActual());
}

std::optional<Instante> EspacioLinux::modificado(const fs::path& archivo) {
  struct stat st {};
  if (::stat(archivo.c_str(), &st) != 0) return std::nullopt;
  return Instante(std::chrono::seconds(st.st_mtime));
}

VigiaApps::Instalados EspacioLinux::instalados() {
  VigiaApps::Instalados r{{aplicaciones_, entradas_}, {}};
  auto anotar = [&](const fs::path& bundle) {
    if (auto info = plists_.leer(bundle))
      if (auto exe = ejecutablePrincipal(bundle, *info)) r.ejecutables.push_back(*exe);
  };
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(aplicaciones_, ec))
    if (e.path().extension() == ".app") anotar(e.path());
  // Registered bundles may lie elsewhere; a file watched twice is one watch.
  for (const auto& e : fs::directory_iterator(entradas_, ec))
    if (auto entrada = leerEntrada(e.path())) anotar(entrada->ruta);
  return r;
}

double EspacioLinux::intervalo() const { return atento_ ? cadaSegundos_ : kSinMirar; }

void EspacioLinux::observar(std::function<void()> alCambiar) {
  vigia_.reset();
  if (!alCambiar) return;
  vigia_ = std::make_unique<VigiaApps>(
      bucle_, intervalo(), [this] { return appsEnMarcha(); }, std::move(alCambiar),
      [this] { return instalados(); });
}

void EspacioLinux::atento(bool si) {
  if (si == atento_) return;
  atento_ = si;
  if (vigia_) vigia_->cada(intervalo());
}

}  // namespace orvo
