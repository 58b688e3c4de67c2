// A skill as the service publishes it, and what this program records of the skills it
// placed.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

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

// One skill this program placed, with the fingerprint it had then.
struct SkillInstalada {
  std::string id;
  std::string nombre;
  std::string version;
  std::optional<std::string> build;
  std::optional<std::string> alcance;
  std::optional<std::string> dueno;
  std::string ruta;
  std::string instalada;
  std::string huella;
  bool modificada = false;
  std::optional<std::string> nueva;

  static SkillInstalada desdeJson(const Objeto& o);
  Json aJson() const;
  bool operator==(const SkillInstalada&) const = default;
};

// instaladas.json: the placed skills and the last error of each id.
struct InstaladasSkills {
  std::vector<SkillInstalada> skills;
  std::map<std::string, std::string> errores;
  std::optional<std::string> actualizado;

  static InstaladasSkills desdeJson(const Objeto& o);
  Json aJson() const;
  bool operator==(const InstaladasSkills&) const = default;
};

// colocadas.json: every skill this program placed, or is about to place, as it placed it.
// Written before a folder moves: a folder whose fingerprint matches its entry is the
// program's own even when instaladas.json missed the change or was damaged.
struct ColocadasSkills {
  std::vector<SkillInstalada> skills;

  static ColocadasSkills desdeJson(const Objeto& o);
  Json aJson() const;
};

// The service's answer about one skill.
struct RespuestaSkill {
  std::optional<SkillRemota> skill;
  std::optional<std::string> error;

  static RespuestaSkill desdeJson(const Objeto& o);
  Json aJson() const;
};

}  // namespace orvo
