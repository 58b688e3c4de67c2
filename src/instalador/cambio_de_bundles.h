// The file work of a swap, off the main thread: the previous version to the backup, the
// new bundle into place, the administrator fallback, and putting the previous version
// back when everything failed.
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

}  // namespace orvo
