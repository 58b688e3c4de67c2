// A skill as the service publishes it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "comun/json_estricto.h"

namespace orvo {

struct Dueno {
  std::optional<std::string> nombre;
  std::optional<std::string> email;

  static Dueno desdeJson(const Objeto& o);
  Json aJson() const;
  bool operator==(const Dueno&) const = default;
};

struct SkillRemota {
  std::string id;
  std::string nombre;
  std::optional<std::string> descripcion;
  std::optional<std::string> version;
  std::optional<std::string> build;
  std::optional<std::string> url;
  std::optional<int64_t> tam;
  std::optional<std::string> sha256;
  std::optional<std::string> alcance;
  std::optional<std::string> estado;
  std::optional<bool> mia;
  std::optional<bool> requiere_confirmacion;
  std::optional<Dueno> dueno;

  static SkillRemota desdeJson(const Objeto& o);
  Json aJson() const;
  bool operator==(const SkillRemota&) const = default;
};

}  // namespace orvo
