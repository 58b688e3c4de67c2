// The vendor's service played on the test server: users who sign in and get a token,
// a manifest per token, and the actions that only need an answer. A test can still
// replace any action through the server's own `alAccion`.
#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <string>

#include "apoyo/servidor_prueba.h"

namespace orvo::prueba {

// The settings of a program in data folder `datos` whose source is `fuente`.
void escribirAjustes(const std::filesystem::path& datos, const std::string& fuente);

class ServicioPrueba {
 public:
  explicit ServicioPrueba(ServidorPrueba& servidor);

  void usuario(const std::string& email, const std::string& clave, const std::string& token);
  // The `feed` answer for requests carrying `token`; unknown tokens get 401.
  void manifiesto(const std::string& token, const std::string& json);
  // The `skill_ver` answer for a skill id, to requests carrying a token that has a
  // manifest; other ids get an answer without a skill, other tokens 401.
  void skill(const std::string& id, const std::string& json);
  // Writes into the data folder `datos` the settings and the token file of a program whose
  // source is this service, signed in as `token`.
  void clienteEn(const std::filesystem::path& datos, const std::string& token) const;

 private:
  ServidorPrueba& servidor_;
  std::mutex m_;
  std::map<std::string, std::pair<std::string, std::string>> usuarios_;  // email → clave, token
  std::map<std::string, std::string> manifiestos_;                       // token → json
  std::map<std::string, std::string> skills_;                            // id → json
};

}  // namespace orvo::prueba
