#include "apoyo/servicio_prueba.h"

#include <fstream>

#include <nlohmann/json.hpp>

namespace orvo::prueba {

ServicioPrueba::ServicioPrueba(ServidorPrueba& s) : servidor_(s) {
  s.alAccion("login", [this](const PeticionRecibida& p) -> RespuestaPrueba {
    auto j = nlohmann::json::parse(p.cuerpo, nullptr, false);
    if (!j.is_object() || !j.contains("email") || !j.contains("clave"))
      return {400, R"({"error":"Faltan datos"})"};
    std::lock_guard l(m_);
    auto u = usuarios_.find(j["email"].get<std::string>());
    if (u == usuarios_.end() || u->second.first != j["clave"].get<std::string>())
      return {200, R"({"error":"Usuario o clave incorrectos"})"};
    return {200, nlohmann::json{{"token", u->second.second}}.dump()};
  });
  s.alAccion("feed", [this](const PeticionRecibida& p) -> RespuestaPrueba {
    std::lock_guard l(m_);
    auto m = manifiestos_.find(p.cabecera("X-Orvo-Token"));
    if (m == manifiestos_.end()) return {401, R"({"error":"Sesión vencida"})"};
    return {200, m->second};
  });
  s.alAccion("skill_ver", [this](const PeticionRecibida& p) -> RespuestaPrueba {
    std::lock_guard l(m_);
    if (!manifiestos_.contains(p.cabecera("X-Orvo-Token")))
      return {401, R"({"error":"Sesión vencida"})"};
    auto j = nlohmann::json::parse(p.cuerpo, nullptr, false);
    if (!j.is_object() || !j.contains("id") || !j["id"].is_string())
      return {400, R"({"error":"Falta el id"})"};
    auto skill = skills_.find(j["id"].get<std::string>());
    return {200, skill == skills_.end() ? "{}" : skill->second};
  });
  for (const char* accion : {"salir", "leido"})
    s.alAccion(accion, [](const PeticionRecibida&) -> RespuestaPrueba { return {200, "{}"}; });
}

void ServicioPrueba::usuario(const std::string& email, const std::string& clave,
                             const std::string& token) {
  std::lock_guard l(m_);
  usuarios_[email] = {clave, token};
}

void ServicioPrueba::manifiesto(const std::string& token, const std::string& json) {
  std::lock_guard l(m_);
  manifiestos_[token] = json;
}

void ServicioPrueba::skill(const std::string& id, const std::string& json) {
  std::lock_guard l(m_);
  skills_[id] = json;
}

void escribirAjustes(const std::filesystem::path& datos, const std::string& fuente) {
  std::filesystem::create_directories(datos);
  std::ofstream(datos / "ajustes.json") << nlohmann::json{
      {"fuente", fuente},
      {"instalarAlCerrar", true},
      {"avisar", nlohmann::json::object()},
      {"componentes",
       nlohmann::json::object()}}.dump();
}

void ServicioPrueba::clienteEn(const std::filesystem::path& datos, const std::string& token) const {
  escribirAjustes(datos, servidor_.base());
  std::ofstream(datos / "sesion.json") << nlohmann::json{{servidor_.base(), token}}.dump();
}

}  // namespace orvo::prueba
