// The system on Linux: the environment, the XDG folders, this machine's name and
// release, and the bundle the running binary lies in.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "plataforma/sistema.h"

namespace orvo {

class SistemaLinux : public Sistema {
 public:
  // `ejecutable` is the running binary; tests name one inside a bundle of their own.
  // Its bundle's Info.plist is read once, here: the answers describe what runs, even
  // after an update replaces the bundle on disk.
  explicit SistemaLinux(const std::filesystem::path& ejecutable = "/proc/self/exe");

  std::optional<std::string> entorno(const std::string& nombre) override;
  // $HOME, else the user database's home folder.
  std::filesystem::path carpetaPersonal() override;
  // $XDG_DATA_HOME when it is an absolute path (the only kind the XDG rules accept),
  // else ~/.local/share.
  std::filesystem::path carpetaDatos() override;
  // $TMPDIR, else /tmp.
  std::filesystem::path carpetaTemporal() override;
  std::string nombreEquipo() override;
  std::string versionSistema() override;
  std::optional<std::string> bundlePropio() override { return bundle_; }
  std::optional<std::string> versionPropia() override { return version_; }
  std::optional<std::filesystem::path> rutaPropia() override { return ruta_; }
  // GIO's freedesktop.org Trash.
  std::optional<std::string> aLaPapelera(const std::filesystem::path& ruta) override;

 private:
  std::optional<std::string> bundle_, version_;
  std::optional<std::filesystem::path> ruta_;
};

}  // namespace orvo
