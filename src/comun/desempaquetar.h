// Unpacks a downloaded zip the way the vendor's macOS installer does with its system tool.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace orvo {

// What an unpack may take at most; an archive past either bound is refused as it goes, so a
// bomb stops long before it fills the disk.
struct LimitesDesempaque {
  uint64_t bytes = UINT64_MAX;    // file data written, all entries together
  uint64_t entradas = 1'000'000;  // entries of any kind
};

// Why an unpack failed; 0 is success.
enum FalloDesempaque : int {
  kSinZip = 1,       // missing, or not a readable zip
  kSinDestino = 2,   // the destination cannot be made
  kDanado = 5,       // the archive is damaged or cut short
  kInseguro = 6,     // an entry or a link would reach outside the destination
  kNoEscrito = 8,    // a write failed (other than a full disk)
  kSinEspacio = 10,  // the disk filled up
  kDemasiado = 11,   // past the limits
};

// Unpacks `zip` into `destino` (created if missing), keeping file modes, times and symbolic
// links. Returns 0 when every entry was written whole; otherwise one of FalloDesempaque, and
// what was written so far stays in `destino` for the caller to remove. Entries that would land
// outside `destino` (absolute path, "..", a write through a link) and links that point
// outside it are refused. Memory use does not grow with the size of the archive.
int desempaquetar(const std::filesystem::path& zip, const std::filesystem::path& destino,
                  const LimitesDesempaque& limites = {});

// The Spanish reason for a non-zero result, to follow "no pude desempaquetar: ".
std::string motivoDesempaque(int fallo);

}  // namespace orvo
