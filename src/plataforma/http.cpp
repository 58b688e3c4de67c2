#include "plataforma/http.h"

#include <strings.h>

namespace orvo {

std::optional<std::string> PeticionHttp::cabecera(const std::string& nombre) const {
  for (const auto& [k, v] : cabeceras)
    if (strcasecmp(k.c_str(), nombre.c_str()) == 0) return v;
  return std::nullopt;
}

}  // namespace orvo
