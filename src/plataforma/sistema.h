// What the program asks of the system besides the desktop: its environment and folders,
// this computer's identity, the program's own bundle.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orvo {

class Sistema {
 public:
  virtual ~Sistema() = default;

  // An environment variable; absent when unset.
  virtual std::optional<std::string> entorno(const std::string& nombre) = 0;
  virtual std::filesystem::path carpetaPersonal() = 0;
  // $XDG_DATA_HOME, else ~/.local/share.
  virtual std::filesystem::path carpetaDatos() = 0;
  virtual std::filesystem::path carpetaTemporal() = 0;

  // The computer's name as the user knows it; "" when it has none.
  virtual std::string nombreEquipo() = 0;
  // The operating system's version text, for the usage report.
  virtual std::string versionSistema() = 0;
  // From the Info.plist of the bundle that holds the running executable; absent when
  // the program runs outside a bundle or the key is not text.
  virtual std::optional<std::string> bundlePropio() = 0;
  virtual std::optional<std::string> versionPropia() = 0;
  // That bundle's folder: the program's own update replaces it where it is.
  virtual std::optional<std::filesystem::path> rutaPropia() = 0;

  // Moves `ruta` to the user's Trash, from where it can be put back. An error text when
  // its file system has no Trash or the move failed; nothing is deleted either way.
  virtual std::optional<std::string> aLaPapelera(const std::filesystem::path& ruta) = 0;
};

// An XDG base folder: the variable when it holds an absolute path (the only kind the XDG
// rules accept), else `porDefecto` below the home folder.
inline std::filesystem::path carpetaXdg(Sistema& sistema, const std::string& variable,
                                        const std::filesystem::path& porDefecto) {
  auto valor = sistema.entorno(variable);
  if (valor && std::filesystem::path(*valor).is_absolute()) return *valor;
  return sistema.carpetaPersonal() / porDefecto;
}

}  // namespace orvo
