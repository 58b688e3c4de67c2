// The freedesktop.org Trash, through GIO.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orvo {

// Moves `ruta` (file or folder) into the Trash of its file system, with the record the
// desktop's file manager reads to put it back. An error text, in Spanish, when that fails.
std::optional<std::string> moverAPapelera(const std::filesystem::path& ruta);

}  // namespace orvo
