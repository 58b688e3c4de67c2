// A fresh folder per test, removed afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace orvo::prueba {

class CarpetaTemporal {
 public:
  CarpetaTemporal();
  ~CarpetaTemporal();
  CarpetaTemporal(const CarpetaTemporal&) = delete;
  CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;

  const std::filesystem::path& ruta() const { return ruta_; }
  std::filesystem::path operator/(const std::string& nombre) const { return ruta_ / nombre; }
  // Writes `contenido` to `nombre` (creating parent folders) and returns its path.
  std::filesystem::path escribir(const std::string& nombre, const std::string& contenido) const;

 private:
  std::filesystem::path ruta_;
};

std::string leer(const std::filesystem::path& ruta);
// `n` bytes that no compression shrinks, the same for the same `semilla`.
std::string bytesAlAzar(size_t n, unsigned semilla = 7);

}  // namespace orvo::prueba
