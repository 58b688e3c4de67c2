// The account on a server source: sign-in, the token every request carries, the
// signed-in user and the notices as the last manifest gave them, sign-out.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comun/json_estricto.h"
#include "comun/resultado.h"
#include "cuenta/registros.h"
#include "cuenta/tokens.h"
#include "plataforma/plataforma.h"

namespace orvo {

class Catalogo;

class Cuenta {
 public:
  Cuenta(Plataforma& plataforma, Catalogo& catalogo);
  static Cuenta& shared();

  std::optional<Usuario> usuario;
  std::vector<Aviso> avisos;
  std::optional<std::string> errorLogin;

  // A POST of `cuerpo` to `base`'s api.php?a=<accion>, with this base's token if any.
  PeticionHttp peticion(const std::string& base, const std::string& accion,
                        const Json& cuerpo) const;
  // `listo` runs on the main thread: no message on success, else the text to show.
  void entrar(const std::string& servidor, const std::string& email, const std::string& clave,
              const std::string& acepta, std::function<void(Error)> listo);
  void salir(const std::string& base);
  void marcarLeido(const std::vector<int64_t>& ids, const std::string& base);
  void guardarTokens(const Tokens& tokens) const;
  Json json() const;

 private:
  Plataforma& plataforma_;
  Catalogo& catalogo_;
  std::shared_ptr<int> vida_ = std::make_shared<int>(0);
};

// "No pude conectarme al servidor: " + the transport's own description.
std::string sinConexion(const std::string& descripcion);

}  // namespace orvo
