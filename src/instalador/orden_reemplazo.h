// The shell commands that swap a bundle in, or put its backup back, with administrator
// rights.
#pragma once

#include <filesystem>
#include <string>

namespace orvo {

// Deletes the old backup, moves what is at `destino` (if anything) to `respaldo`, then
// moves `nuevo` to `destino`; each step only after the previous one succeeded.
std::string ordenDeReemplazo(const std::filesystem::path& respaldo,
                             const std::filesystem::path& destino,
                             const std::filesystem::path& nuevo);

// Makes `respaldo` and `destino` trade places with one exchange each (perl, part of every
// Debian system, makes the system call: no shell tool exchanges two paths). Across two
// filesystems each is first copied whole beside the other, as the hidden `aqui` (beside
// `destino`) and `alla` (beside `respaldo`), and the copies are exchanged in.
std::string ordenDeVuelta(const std::filesystem::path& respaldo,
                          const std::filesystem::path& destino, bool mismoDisco,
                          const std::filesystem::path& aqui, const std::filesystem::path& alla);

}  // namespace orvo
