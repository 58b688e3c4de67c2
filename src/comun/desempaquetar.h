// Unpacks a downloaded zip the way the vendor's macOS installer does with its system tool.
#pragma once

#include <filesystem>

namespace orvo {

// Unpacks `zip` into `destino` (created if missing), keeping file modes, times and symbolic
// links. Returns 0 when every entry was written; non-zero when the file is missing or not a
// zip, or when any entry would land outside `destino` (absolute path, "..", or a write through
// a symbolic link). Memory use does not grow with the size of the archive.
int desempaquetar(const std::filesystem::path& zip, const std::filesystem::path& destino);

}  // namespace orvo
