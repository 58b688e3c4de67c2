// Entry point: prepares the process, builds the real platform and runs the program.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "catalogo/registros.h"
#include "comun/archivos.h"

namespace {

// Until the catalogue store exists, the program can show what a local source publishes.
int mostrarFuente(const std::filesystem::path& carpeta) {
  auto ruta = carpeta / "orvo-suite.json";
  auto texto = orvo::leerArchivo(ruta);
  if (!texto) {
    std::fprintf(stderr, "No encontré %s\n", ruta.c_str());
    return 1;
  }
  auto m = orvo::decodificar<orvo::Manifiesto>(*texto);
  if (!m) {
    std::fprintf(stderr, "El catálogo de %s no es válido: %s\n", carpeta.c_str(),
                 m.error().c_str());
    return 1;
  }
  std::printf("Catálogo %s (versión %lld) en %s\n", m.valor().formato.c_str(),
              static_cast<long long>(m.valor().version), carpeta.c_str());
  for (const auto& a : m.valor().apps)
    std::printf("  %-14s %-10s %s\n", a.nombre.c_str(), a.version.c_str(),
                a.build ? ("build " + *a.build).c_str() : "");
  std::printf("%zu apps, %zu componentes, %zu skills\n", m.valor().apps.size(),
              m.valor().componentes.size(), m.valor().skills.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Inherited from the vendor's Electron apps; every process we start must not see them.
  unsetenv("ELECTRON_RUN_AS_NODE");
  unsetenv("ELECTRON_NO_ATTACH_CONSOLE");
  if (argc == 3 && std::string(argv[1]) == "--demo") return mostrarFuente(argv[2]);
  std::fprintf(stderr, "Uso: orvo-suite --demo CARPETA\n");
  return 2;
}
