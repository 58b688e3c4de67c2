// The program's working folders in the temporary folder carry no owner in their names: a
// shared lock on the folder itself tells a live process's folder from a crashed run's.
#pragma once

#include <filesystem>

namespace orvo {

// Holds a shared lock on a folder for as long as it lives (the lock goes with the process,
// however it ends).
class CarpetaOcupada {
 public:
  explicit CarpetaOcupada(const std::filesystem::path& carpeta);
  ~CarpetaOcupada();
  CarpetaOcupada(const CarpetaOcupada&) = delete;
  CarpetaOcupada& operator=(const CarpetaOcupada&) = delete;

 private:
  int fd_;
};

// Removes `carpeta`, a real folder (not a link), when no live process holds it.
void quitarSiNadieLaTiene(const std::filesystem::path& carpeta);

// Removes the `orvo-suite-<UUID>` and `orvo-descargas-<UUID>` folders in `temporal` that no
// live process holds.
void quitarCarpetasHuerfanas(const std::filesystem::path& temporal);

}  // namespace orvo
