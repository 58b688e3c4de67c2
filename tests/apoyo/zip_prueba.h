// Zips written entry by entry, field by field, so a test can build whatever a hostile
// server could send: any mode or file type, links anywhere, sizes and CRCs that lie, bombs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace orvo::prueba {

struct EntradaZip {
  std::string nombre;
  // "archivo", "carpeta", "enlace" (datos: its target), "dispositivo", or "ceros" (datos:
  // how many MB of zeros, deflated as they stream).
  std::string tipo = "archivo";
  std::string datos = {};
  int modo = 0644;
  int64_t declarado = -1;  // the size its headers declare, when not the real one
  bool crcMalo = false;    // its headers' CRC does not match the data
};

// Writes the zip at `zip` (its folder created) and returns its bytes.
std::string hacerZip(const std::filesystem::path& zip, const std::vector<EntradaZip>& entradas);

// The short form for files and links: (name, content), names written as given ("../x" too);
// content that starts with `kEnlaceA` makes the entry a symbolic link to the rest.
using Entradas = std::vector<std::pair<std::string, std::string>>;
inline const std::string kEnlaceA = "\x01->";
std::string zipDe(const Entradas& entradas);

}  // namespace orvo::prueba
