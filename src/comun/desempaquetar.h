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
  // Refuse links that never resolve (a → b → a) or resolve to a folder that holds them
  // (self → .): whatever walks the tree afterwards would go round for ever.
  bool sinVueltas = false;
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
  kEspecial = 12,    // a device node, a FIFO or a socket
  kVueltas = 13,     // a link that goes round (sinVueltas)
};

// Unpacks `zip` into `destino` (created if missing), keeping file times, symbolic links and
// the read and execute bits of every mode; set-uid, set-gid, sticky and group or other write
// bits are dropped. Returns 0 when every entry was written whole; otherwise one of
// FalloDesempaque, and what was written so far stays in `destino` for the caller to remove.
// Entries that would land outside `destino` (absolute path, "..", a write through a link),
// links that point outside it, and anything but files, folders and links are refused; so is
// an entry whose data is not what its header declares (size or CRC). Memory use does not
// grow with the size of the archive.
int desempaquetar(const std::filesystem::path& zip, const std::filesystem::path& destino,
                  const LimitesDesempaque& limites = {});

// The Spanish reason for a non-zero result, to follow "no pude desempaquetar: ".
std::string motivoDesempaque(int fallo);

// How far one kind of item may unpack: `proporcion` times its archive, at least `minimo`, at
// most `maximo`, and never past the free space of the destination's disk.
struct MedidaDesempaque {
  uint64_t proporcion = 40;
  uint64_t minimo = 0;
  uint64_t maximo = UINT64_MAX;
  uint64_t entradas = 1'000'000;
  bool sinVueltas = false;
};

struct Desempaque {
  int fallo = 0;
  bool porEspacio = false;  // what stopped it was the disk: full, or too little free for it
};

Desempaque desempaquetarAcotado(const std::filesystem::path& zip,
                                const std::filesystem::path& destino,
                                const MedidaDesempaque& medida);

// The Spanish reason for a failed bounded unpack of `item` ("una skill"), to follow
// "No pude …: ".
std::string motivoDesempaque(const Desempaque& d, const std::string& item);

}  // namespace orvo
