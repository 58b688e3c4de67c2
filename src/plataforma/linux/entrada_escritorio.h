// The desktop entry registration writes for a bundle, so the desktop's app menu lists it
// and a later look-up finds the bundle again.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "comun/resultado.h"

namespace orvo {

struct EntradaBundle {
  std::string bundle;                // X-Orvo-Bundle
  std::filesystem::path ruta;        // X-Orvo-Ruta, the bundle folder
  std::string nombre;                // Name
  std::filesystem::path ejecutable;  // Exec
};

// "orvo-<id>.desktop". Characters other than letters, digits, '.' and '-' become "_XX"
// (hex), '_' included, so two identifiers never share a file.
std::string nombreDeEntrada(const std::string& bundle);

// One Exec argument: quoted, with '"', '`', '$' and '\' escaped and '%' doubled.
std::string argumentoExec(const std::string& argumento);

// The key file text; an error when a value is not valid UTF-8, which the format requires.
Resultado<std::string> textoDeEntrada(const EntradaBundle& entrada);

// The bundle and path of an entry this program wrote; absent for other or broken files.
// Only those two keys are read back.
std::optional<EntradaBundle> leerEntrada(const std::filesystem::path& archivo);

}  // namespace orvo
