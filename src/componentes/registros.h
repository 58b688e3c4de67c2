// A component as the manifest publishes it, the free-form value it carries for the apps,
// and the two files of the components folder that the apps read.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "comun/json_estricto.h"

namespace orvo {

// Any JSON value, kept as its kind: a boolean stays a boolean, every number is a double.
struct ValorJSON {
  struct Nulo {
    bool operator==(const Nulo&) const = default;
  };
  using Lista = std::vector<ValorJSON>;
  using Mapa = std::map<std::string, ValorJSON>;
  std::variant<Nulo, bool, double, std::string, Lista, Mapa> v;

  static ValorJSON desdeJson(const Objeto& o);  // an object member read as a whole
  static ValorJSON desde(const Json& j);
  Json aJson() const;
  bool operator==(const ValorJSON&) const = default;
};

struct ComponenteRemoto {
  std::string id;
  std::string nombre;
  std::optional<std::string> descripcion;
  std::string app;
  std::string version;
  std::optional<std::string> build;
  std::optional<std::string> entrada;
  std::optional<std::string> ui;
  std::optional<std::string> icono;
  std::optional<std::string> minApp;
  std::string url;
  std::optional<int64_t> tam;
  std::optional<std::string> sha256;
  std::optional<std::vector<std::string>> novedades;
  std::optional<std::string> canal;
  std::optional<std::string> migrarDe;
  std::optional<std::string> color;
  std::optional<ValorJSON> usos;

  static ComponenteRemoto desdeJson(const Objeto& o);
  Json aJson() const;
  bool operator==(const ComponenteRemoto&) const = default;
};

struct ComponenteInstalado {
  std::string id;
  std::string nombre;
  std::string app;
  std::string version;
  std::optional<std::string> build;
  bool activado = true;
  std::string ruta;
  std::string instalado;
  // "version·build" of a release waiting for its app to let the component go.
  std::optional<std::string> pendiente;
  std::optional<std::string> error;

  static ComponenteInstalado desdeJson(const Objeto& o);
  Json aJson() const;
  bool operator==(const ComponenteInstalado&) const = default;
};

// instalados.json
struct InstaladosComp {
  std::vector<ComponenteInstalado> componentes;
  std::optional<std::string> actualizado;

  static InstaladosComp desdeJson(const Objeto& o);
  Json aJson() const;
};

// disponibles.json
struct Disp {
  std::vector<ComponenteRemoto> componentes;
  std::string actualizado;

  static Disp desdeJson(const Objeto& o);
  Json aJson() const;
};

}  // namespace orvo
