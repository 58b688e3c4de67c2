// The archive's way in from a real server, behind redirects.
#include "banco_skills.h"

namespace orvo::prueba {
namespace {

// The token goes to its own origin only: a redirect within it keeps it, one to another
// server drops it, and the skill still installs from there.
TEST_F(BancoSkills, UnArchivoTrasRedireccionesSeInstala) {
  ServidorPrueba otro;
  auto s = publicar("lejana", "1.0");
  otro.publicar(
      "/lejana.zip",
      {.datos = zipDe({{"SKILL.md", "# lejana\n"}, {"skill.json", R"({"id":"lejana"})"}})});
  s.erase("sha256");
  s["url"] = "r/lejana.zip";
  auto salto = [](const std::string& a) {
    return [a](const PeticionRecibida&) {
      return RespuestaPrueba{302, "", "text/plain", {{"Location", a}}};
    };
  };
  servidor.alRuta("/r/lejana.zip", salto("/r/aqui.zip"));
  servidor.alRuta("/r/aqui.zip", salto(otro.base() + "lejana.zip"));
  servicio.skill("lejana", Json{{"skill", s}}.dump());
  pedir("instalar", "lejana");
  EXPECT_EQ(error("lejana"), "");
  EXPECT_EQ(leer(destino / "lejana/SKILL.md"), "# lejana\n");
  for (const auto& p : servidor.peticiones()) {
    if (p.ruta.starts_with("/r/")) {
      EXPECT_EQ(p.cabecera("X-Orvo-Token"), "T1") << p.ruta;
    }
  }
  ASSERT_EQ(otro.peticiones().size(), 1u);
  EXPECT_EQ(otro.peticiones()[0].cabecera("X-Orvo-Token"), "");
}

}  // namespace
}  // namespace orvo::prueba
