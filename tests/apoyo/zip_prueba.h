// Zips written entry by entry, field by field, so a test can build whatever a hostile
// server could send: any mode or file type, links anywhere, sizes and CRCs that lie, bombs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
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

}  // namespace orvo::prueba
