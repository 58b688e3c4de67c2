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

// Rename; across filesystems, copy (keeping modes and symbolic links) into a hidden
// sibling of `hacia`, rename that into place, then remove the source.
[[nodiscard]] Error mover(const fs::path& desde, const fs::path& hacia);
// Swaps two existing paths in one atomic step.
[[nodiscard]] Error intercambiar(const fs::path& a, const fs::path& b);

// A fresh random UUID in upper-case text with hyphens (36 characters).
std::string uuidMayusculas();

}  // namespace orvo
