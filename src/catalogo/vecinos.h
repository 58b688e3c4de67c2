// What the catalogue needs from the managers beside it. The object that owns all the
// managers implements it, so a new manager joins the refresh and the report there.
#pragma once

#include <string>
#include <vector>

#include "catalogo/registros.h"
#include "comun/json_estricto.h"

namespace orvo {

class Cuenta;

class Vecinos {
 public:
  virtual ~Vecinos() = default;
  virtual Cuenta& cuenta() = 0;
  // A refresh that brought a manifest hands on its components and skills.
  virtual void sincronizar(const Manifiesto& manifiesto) = 0;
  // The usage report's elements for installed components, and the installed skills.
  virtual std::vector<Json> componentesDelReporte() = 0;
  virtual std::vector<std::string> skillsDelReporte() = 0;
};

}  // namespace orvo
