// The signed-in user and the notices, as the server's manifest carries them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "comun/json_estricto.h"

namespace orvo {

struct Usuario {
  std::string nombre;
  std::string email;
  std::string rol;
  std::string canal;

  static Usuario desdeJson(const Objeto& o);
  Json aJson() const;
  bool operator==(const Usuario&) const = default;
};

struct Aviso {
  int64_t id = 0;
  std::string titulo;
  std::optional<std::string> texto;
  std::optional<std::string> app;
  std::optional<std::string> creado;

  static Aviso desdeJson(const Objeto& o);
  Json aJson() const;
  bool operator==(const Aviso&) const = default;
};

}  // namespace orvo
