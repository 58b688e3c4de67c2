// File operations that never leave a half-written target: atomic writes, moves that
// cross filesystems, the exchange of two folders.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <sys/types.h>

#include "comun/resultado.h"

namespace orvo {

namespace fs = std::filesystem;

// Writes to a temporary file in the same folder, flushes it to disk and renames it over
// `destino`. `modo` applies from creation, so a secret file is never readable by others.
[[nodiscard]] Error escribirAtomico(const fs::path& destino, std::string_view bytes,
                                    mode_t modo = 0644);
// A plain truncating write, for the few places that do not need atomicity.
[[nodiscard]] Error escribirDirecto(const fs::path& destino, std::string_view bytes);
// The whole file, or nothing when it cannot be read or is larger than `limite`.
std::optional<std::string> leerArchivo(const fs::path& ruta, size_t limite = 64u << 20);

// Rename; across filesystems, copy (keeping modes, times and symbolic links) into a hidden
// sibling of `hacia`, flush it to disk, rename that into place, and only then remove the
// source (through quitar). A kill at any instant leaves the source whole, or the copy whole
// under `hacia`, plus at most hidden leftovers for quitarRestos.
[[nodiscard]] Error mover(const fs::path& desde, const fs::path& hacia);
// Copies `desde` to `hacia`, which must not exist yet, keeping modes, times and symbolic
// links, and flushes it to disk; a failed copy leaves nothing at `hacia`.
[[nodiscard]] Error copiar(const fs::path& desde, const fs::path& hacia);
// `.<name>.<UUID>` beside `ruta`: where a whole item is prepared before one rename.
fs::path hermanoOculto(const fs::path& ruta);
// Removes `ruta` and everything below it, renaming it to a hidden sibling first.
void quitar(const fs::path& ruta);
// Removes `ruta` and everything below it without following a link anywhere: a link is removed
// itself, never what it points at. False when something stayed.
bool quitarArbol(const fs::path& ruta);
// Removes what `carpeta` holds the same way; a link or a file where the folder should be is
// removed and an empty folder made in its place.
void vaciarCarpeta(const fs::path& carpeta);
// Removes the hidden siblings `.<nombre>.<UUID>` in `carpeta` that a killed run left.
void quitarRestos(const fs::path& carpeta, const std::string& nombre);
// Flushes the whole filesystem that holds `ruta` to disk.
[[nodiscard]] Error sincronizar(const fs::path& ruta);
// Swaps two existing paths in one atomic step.
[[nodiscard]] Error intercambiar(const fs::path& a, const fs::path& b);

// A fresh random UUID in upper-case text with hyphens (36 characters).
std::string uuidMayusculas();

}  // namespace orvo
