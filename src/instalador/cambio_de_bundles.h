// The file work of a swap, off the main thread: the previous version to the backup, the
// new bundle into place, the administrator fallback, and putting the previous version
// back when everything failed; and the going back, where backup and installed bundle
// trade places.
#pragma once

#include <filesystem>
#include <functional>

#include "comun/resultado.h"
#include "plataforma/permisos.h"

namespace orvo {

struct RutasDeCambio {
  std::filesystem::path nuevo, destino, respaldo;
};

using Mover = std::function<Error(const std::filesystem::path&, const std::filesystem::path&)>;

// The new bundle is staged beside `destino` and exchanged with the installed one in one
// step, so a kill at any instant leaves a whole bundle there; the previous one then goes to
// the backup. `alApartar` runs once the previous version is out of place. An error when the
// new bundle is not in place; the previous one is then still (or again) at `destino`.
Error cambiarBundles(const RutasDeCambio& rutas, Permisos& permisos, const Mover& mover,
                     const std::function<void()>& alApartar);

// The backup and the installed bundle trade places, so the version that was installed
// becomes the backup: one exchange on one filesystem; across two, each is first copied
// whole (and flushed) beside the other and the copies exchanged in. A kill at any instant
// leaves a whole bundle at each place. The same through the administrator when refused.
// An error when the installed bundle is still the one that was.
Error volverBundles(const std::filesystem::path& respaldo, const std::filesystem::path& destino,
                    Permisos& permisos);

}  // namespace orvo
