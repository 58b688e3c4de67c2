#include "cuenta/tokens.h"

#include "comun/archivos.h"
#include "comun/json_estricto.h"

namespace orvo {

namespace {
std::filesystem::path archivo(const std::filesystem::path& carpeta) {
  return carpeta / "sesion.json";
}
}  // namespace

Tokens leerTokens(const std::filesystem::path& carpeta) {
  auto texto = leerArchivo(archivo(carpeta), 1u << 20);
  if (!texto) return {};
  auto j = analizarJson(*texto);
  if (!j || !j.valor().is_object()) return {};
  Tokens t;
  for (const auto& [k, v] : j.valor().items()) {
    if (!v.is_string()) return {};
    t[k] = v.get<std::string>();
  }
  return t;
}

Error escribirTokens(const std::filesystem::path& carpeta, const Tokens& tokens) {
  return escribirAtomico(archivo(carpeta), jsonCompacto(Json(tokens)), 0600);
}

}  // namespace orvo
