// The program's own files as a crash or another program may leave them: sesion.json,
// registro.json and ajustes.json are read through the same paths the program uses.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "catalogo/registros.h"
#include "catalogo/registros_leer.h"
#include "cuenta/tokens.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
  static const auto carpeta = [] {
    auto c = std::filesystem::temp_directory_path() / ("orvo-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(c);
    return c;
  }();
  std::string_view texto(reinterpret_cast<const char*>(datos), tam);
  for (const char* nombre : {"sesion.json", "registro.json", "ajustes.json"})
    if (orvo::escribirDirecto(carpeta / nombre, texto)) std::abort();
  auto tokens = orvo::leerTokens(carpeta);
  // What was read is written back the program's way and must read the same.
  if (orvo::escribirTokens(carpeta, tokens) || orvo::leerTokens(carpeta) != tokens) std::abort();
  (void)orvo::leerDocumento(carpeta / "registro.json", orvo::Registro{});
  (void)orvo::leerDocumento(carpeta / "ajustes.json", orvo::Ajustes{});
  return 0;
}
