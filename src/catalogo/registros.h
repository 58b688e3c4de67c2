// The catalogue's documents: the published manifest, the user's settings and the
// registry of versions this program installed.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "componentes/registros.h"
#include "comun/fechas.h"
#include "comun/json_estricto.h"
#include "cuenta/registros.h"
#include "skills/registros.h"

namespace orvo {

struct AppRemota {
  std::string id;
  std::string nombre;
  std::string bundle;
  std::string app;
  std::string version;
  std::optional<std::string> build;
  std::optional<std::string> fecha;
  std::optional<std::string> creada;
  std::string url;
  std::optional<int64_t> tam;
  std::optional<std::string> sha256;
  std::optional<std::vector<std::string>> novedades;
  std::optional<bool> firmada;
  std::optional<std::string> canal;

  static AppRemota desdeJson(const Objeto& o);
  Json aJson() const;
  bool operator==(const AppRemota&) const = default;
};

struct Manifiesto {
  std::string formato;
  int64_t version = 0;
  std::vector<AppRemota> apps;
  std::vector<ComponenteRemoto> componentes;
  std::vector<SkillRemota> skills;
  std::vector<std::string> skills_quitar;
  std::vector<Aviso> avisos;
  std::optional<Usuario> usuario;

  static Manifiesto desdeJson(const Objeto& o);
  Json aJson() const;
  bool operator==(const Manifiesto&) const = default;
};

struct Ajustes {
  std::string fuente;
  bool instalarAlCerrar = true;
  std::map<std::string, bool> componentes;
  std::map<std::string, bool> avisar;
  std::optional<std::string> equipo;
  // App id → the published "version · build" the user does not want installed by itself.
  std::map<std::string, std::string> omitidas;

  // The defaults when the file is missing or unreadable.
  static Ajustes porDefecto(std::string fuente);
  static Ajustes desdeJson(const Objeto& o);
  Json aJson() const;
  bool operator==(const Ajustes&) const = default;
};

struct Instalada {
  std::string version;
  std::optional<std::string> build;
  Instante fecha{};

  static Instalada desdeJson(const Objeto& o);
  Json aJson() const;
  bool operator==(const Instalada&) const = default;
};

struct Registro {
  std::map<std::string, Instalada> apps;
  // What each app's entry said before its last swap: the version now kept as its backup.
  std::map<std::string, Instalada> anteriores;

  static Registro desdeJson(const Objeto& o);
  Json aJson() const;
  bool operator==(const Registro&) const = default;
};

// "2.3.0 · 230", or "2.3.0" without a build: how versions are shown and compared as text.
std::string textoVersion(const std::string& version, const std::optional<std::string>& build);

// A local record file: missing or undecodable gives `defecto`, and the file is left alone.
template <class T>
T leerDocumento(const std::filesystem::path& ruta, T defecto);

// Pretty, sorted, atomic. Failures are returned for the callers that care.
[[nodiscard]] Error guardarDocumento(const std::filesystem::path& ruta, const Json& valor);
// Compact and non-atomic: only the one-time source migration writes this way.
[[nodiscard]] Error guardarDocumentoCompacto(const std::filesystem::path& ruta, const Json& valor);

}  // namespace orvo

#include "catalogo/registros_leer.h"
