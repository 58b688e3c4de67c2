#include "plataforma/linux/sistema_linux.h"

#include <cstdlib>
#include <vector>

#include <pwd.h>
#include <unistd.h>

#include "plataforma/linux/bundles.h"
#include "plataforma/linux/equipo_info.h"
#include "plataforma/linux/info_plist.h"
#include "plataforma/linux/papelera.h"
#include "plataforma/linux/procesos.h"

namespace orvo {

namespace fs = std::filesystem;

namespace {

fs::path rutaReal(const fs::path& ejecutable) {
  std::error_code e;
  auto real = fs::canonical(ejecutable, e);
  // /proc/self/exe of a binary replaced on disk no longer resolves.
  return e ? destinoDeExe(ejecutable) : real;
}

std::optional<std::string> clave(const std::optional<ClavesPlist>& info, const char* nombre) {
  if (!info) return std::nullopt;
  auto v = info->find(nombre);
  return v == info->end() ? std::nullopt : std::optional(v->second);
}

std::optional<std::string> variable(const char* nombre) {
  const char* v = std::getenv(nombre);
  return v && *v ? std::optional<std::string>(v) : std::nullopt;
}

}  // namespace

SistemaLinux::SistemaLinux(const fs::path& ejecutable) {
  auto bundle = bundleDelEjecutable(rutaReal(ejecutable));
  if (!bundle) return;
  ruta_ = *bundle;
  auto info = leerInfoPlist(*bundle / "Contents" / "Info.plist");
  bundle_ = clave(info, "CFBundleIdentifier");
  version_ = clave(info, "CFBundleShortVersionString");
}

std::optional<std::string> SistemaLinux::entorno(const std::string& nombre) {
  const char* v = std::getenv(nombre.c_str());
  return v ? std::optional<std::string>(v) : std::nullopt;
}

fs::path SistemaLinux::carpetaPersonal() {
  if (auto casa = variable("HOME")) return *casa;
  std::vector<char> buf(16384);
  struct passwd pw {};
  struct passwd* r = nullptr;
  if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &r) == 0 && r && r->pw_dir)
    return r->pw_dir;
  return "/";
}

fs::path SistemaLinux::carpetaDatos() { return carpetaXdg(*this, "XDG_DATA_HOME", ".local/share"); }

fs::path SistemaLinux::carpetaTemporal() { return variable("TMPDIR").value_or("/tmp"); }

std::string SistemaLinux::nombreEquipo() { return nombreDelEquipo(); }

std::string SistemaLinux::versionSistema() { return versionDelSistema(); }

std::optional<std::string> SistemaLinux::aLaPapelera(const fs::path& ruta) {
  return moverAPapelera(ruta);
}

}  // namespace orvo
