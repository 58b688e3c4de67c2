// The shell command that swaps a bundle in with administrator rights.
#pragma once

#include <filesystem>
#include <string>

namespace orvo {

// Deletes the old backup, moves what is at `destino` (if anything) to `respaldo`, then
// moves `nuevo` to `destino`; each step only after the previous one succeeded.
std::string ordenDeReemplazo(const std::filesystem::path& respaldo,
                             const std::filesystem::path& destino,
                             const std::filesystem::path& nuevo);

}  // namespace orvo
