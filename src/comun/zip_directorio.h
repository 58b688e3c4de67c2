// A zip archive's table of contents as it sits at the end of the file: the end of central
// directory (ZIP64 included, a comment after it allowed) and the central directory's
// entries. Pure parsing over bytes already read; every length is checked before it is
// used, so hostile bytes give a reason, never a read past the buffer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "comun/resultado.h"

namespace orvo {

// Where the central directory lies in an archive of `total` bytes.
struct FinDirectorio {
  uint64_t inicio = 0;
  uint64_t largo = 0;
  uint64_t entradas = 0;
};

struct EntradaDirectorio {
  std::string nombre;
  uint32_t crc = 0;
  uint64_t comprimido = 0;
  uint64_t tam = 0;
  uint16_t metodo = 0;
  uint16_t banderas = 0;
  uint16_t hora = 0, fecha = 0;
  uint64_t local = 0;  // offset of its local header
};

// The smallest tail of an archive that always holds its end of central directory with the
// longest comment and the ZIP64 locator and record before it.
constexpr uint64_t kColaZip = 65'535 + 22 + 20 + 56;

// `cola` holds the archive's last bytes, up to byte `total`.
Resultado<FinDirectorio> leerFinDirectorio(std::string_view cola, uint64_t total);
// `bytes` is exactly the central directory that `fin` describes.
Resultado<std::vector<EntradaDirectorio>> leerDirectorio(std::string_view bytes,
                                                         const FinDirectorio& fin);
// The length of a local header (fixed part, name and extra field) from its first 30 bytes.
Resultado<uint64_t> largoCabeceraLocal(std::string_view cabecera);

}  // namespace orvo
