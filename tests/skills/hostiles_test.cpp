// Hostile archives from the service, through the real client, unpacker and folders: each is
// refused with its reason before anything is placed, or placed as the program's own.
#include "apoyo/zip_prueba.h"
#include "banco_skills.h"

namespace orvo::prueba {
namespace {

namespace fs = std::filesystem;

// A skill's two files, then `mas`.
std::vector<EntradaZip> skill(const std::string& id, std::vector<EntradaZip> mas = {}) {
  mas.insert(mas.begin(), {{"SKILL.md", "archivo", "# " + id + "\n"},
                           {"skill.json", "archivo", Json{{"id", id}}.dump()}});
  return mas;
}

class SkillsHostiles : public BancoSkills {
 protected:
  // Serves the zip of `entradas` as release 1.0 of `id` (no digest) and asks for it.
  void ofrecer(const std::string& id, const std::vector<EntradaZip>& entradas) {
    auto zip = hacerZip(t / "h" / (id + ".zip"), entradas);
    servidor.publicar("/h/" + id + ".zip", ArchivoPrueba{zip});
    Json s = {{"id", id}, {"nombre", id}, {"version", "1.0"}, {"url", "h/" + id + ".zip"}};
    servicio.skill(id, Json{{"skill", s}}.dump());
    pedir("instalar", id);
  }
};

TEST_F(SkillsHostiles, SeRechazanAntesDeColocarConSuMotivo) {
  const std::string no = "No pude descomprimir la skill: ";
  const std::string grande = no + "se expande mucho más de lo razonable para una skill";
  const std::string vueltas = no + "el zip trae enlaces que dan vueltas sobre sí mismos";
  const std::vector<std::tuple<std::string, std::vector<EntradaZip>, std::string>> casos = {
      {"bomba", skill("bomba", {{"ceros.bin", "ceros", "300"}}), grande},
      // A few bytes that declare 64 GB: refused before a sparse file of that size exists.
      {"disperso", skill("disperso", {{"g.bin", "archivo", "hola", 0644, 64ll << 30}}), grande},
      {"vueltas", skill("vueltas", {{"a", "enlace", "b"}, {"b", "enlace", "a"}}), vueltas},
      {"yo", skill("yo", {{"refs/yo", "enlace", "."}}), vueltas},
  };
  for (const auto& [id, entradas, mensaje] : casos) {
    ofrecer(id, entradas);
    EXPECT_EQ(error(id), mensaje);
    EXPECT_FALSE(fs::exists(fs::symlink_status(destino / id))) << id;
    EXPECT_TRUE(preparando().empty()) << id;
  }
  EXPECT_TRUE(skills().ids().empty());

  // Modes that would hand the skill to others are not kept; what runs still runs.
  ofrecer("abierta", {{"SKILL.md", "archivo", "# abierta\n", 06666},
                      {"skill.json", "archivo", R"({"id":"abierta"})"},
                      {"bin/", "carpeta", "", 01777},
                      {"bin/correr", "archivo", "#!/bin/sh\n", 06777}});
  EXPECT_EQ(error("abierta"), "");
  EXPECT_EQ(fs::status(destino / "abierta/SKILL.md").permissions(), fs::perms(0644));
  EXPECT_EQ(fs::status(destino / "abierta/bin").permissions(), fs::perms(0755));
  EXPECT_EQ(fs::status(destino / "abierta/bin/correr").permissions(), fs::perms(0755));
}

}  // namespace
}  // namespace orvo::prueba
