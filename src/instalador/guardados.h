// The archives kept after each successful installation, one per app, so the next update
// can fetch only what changed. Disposable: a missing or doubtful copy only means a whole
// download.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "comun/resultado.h"
#include "plataforma/sistema.h"

namespace orvo {

// At most this much in all, and never more than a tenth of the free space on its disk.
constexpr uint64_t kTopeGuardados = 2ull << 30;

// $XDG_CACHE_HOME/orvo-suite, else ~/.cache/orvo-suite.
std::filesystem::path carpetaGuardados(Sistema& sistema);
// `<id>.zip` there; none for an id that is not a plain file name.
std::optional<std::filesystem::path> archivoGuardado(const std::filesystem::path& carpeta,
                                                     const std::string& id);
// Moves `zip` to `destino`, flushed and in one rename, replacing the previous copy; then
// drops the oldest copies while the folder is over its bound.
Error guardarArchivo(const std::filesystem::path& zip, const std::filesystem::path& destino);

}  // namespace orvo
