#include "apoyo/carpeta_temporal.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include <unistd.h>

namespace orvo::prueba {

CarpetaTemporal::CarpetaTemporal() {
  std::string plantilla = (std::filesystem::temp_directory_path() / "orvo-prueba-XXXXXX").string();
  if (!mkdtemp(plantilla.data())) throw std::runtime_error("mkdtemp");
  ruta_ = plantilla;
}

CarpetaTemporal::~CarpetaTemporal() {
  std::error_code ec;
  std::filesystem::remove_all(ruta_, ec);
}

std::filesystem::path CarpetaTemporal::escribir(const std::string& nombre,
                                                const std::string& contenido) const {
  auto p = ruta_ / nombre;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << contenido;
  return p;
}

std::string leer(const std::filesystem::path& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

std::string bytesAlAzar(size_t n, unsigned semilla) {
  std::mt19937 g(semilla);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(g());
  return s;
}

}  // namespace orvo::prueba
