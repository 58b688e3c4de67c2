// A system whose environment and folders a test sets: each case gets its own home,
// data and applications folders without touching the process environment.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "plataforma/linux/papelera.h"
#include "plataforma/sistema.h"

namespace orvo::prueba {

class SistemaPrueba : public Sistema {
 public:
  std::map<std::string, std::string> variables;
  std::filesystem::path casa, datos, temporal = "/tmp";
  std::string equipo = "Equipo de prueba";
  std::string sistema = "Debian GNU/Linux 12 (bookworm) (Linux 6.1)";
  std::optional<std::string> bundle, version;

  std::optional<std::string> entorno(const std::string& n) override {
    auto v = variables.find(n);
    return v == variables.end() ? std::nullopt : std::optional(v->second);
  }
  std::filesystem::path carpetaPersonal() override { return casa; }
  std::filesystem::path carpetaDatos() override { return datos; }
  std::filesystem::path carpetaTemporal() override { return temporal; }
  std::string nombreEquipo() override { return equipo; }
  std::string versionSistema() override { return sistema; }
  std::optional<std::string> bundlePropio() override { return bundle; }
  std::optional<std::string> versionPropia() override { return version; }
  std::optional<std::filesystem::path> rutaPropia() override { return std::nullopt; }

  // A machine of the test's own below `raiz`: home, desktop data and temporary folders,
  // and the applications and data folders the program is pointed at.
  void dentroDe(const std::filesystem::path& raiz, const std::filesystem::path& apps,
                const std::filesystem::path& datosOrvo) {
    casa = raiz / "casa";
    datos = raiz / "xdg";
    temporal = raiz / "tmp";
    for (const auto& c : {casa, temporal, apps}) std::filesystem::create_directories(c);
    variables["OV_DESTINO"] = apps.string();
    variables["OV_DATOS"] = datosOrvo.string();
  }

  // The real Trash (GIO), unless a test plays a file system without one.
  bool sinPapelera = false;
  std::optional<std::string> aLaPapelera(const std::filesystem::path& ruta) override {
    if (sinPapelera) return "El disco de " + ruta.string() + " no tiene papelera";
    return moverAPapelera(ruta);
  }
};

}  // namespace orvo::prueba
