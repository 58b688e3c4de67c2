// The user's own settings of this program outside the catalogue: small values kept in
// the user's configuration folder, and the entry that starts the program at login.
// Real: a key file and an XDG autostart entry.
#pragma once

#include <optional>
#include <string>

#include "comun/resultado.h"

namespace orvo {

class Preferencias {
 public:
  virtual ~Preferencias() = default;
  virtual std::optional<std::string> leer(const std::string& clave) = 0;
  // A failed write is logged and otherwise ignored: the value is a convenience.
  virtual void guardar(const std::string& clave, const std::string& valor) = 0;
  // Makes the program start when the user logs in.
  virtual Error iniciarConSesion() = 0;
};

}  // namespace orvo
