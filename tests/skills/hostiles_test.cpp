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
    servidor.publicar("/h/" + id + ".zip",
                      ArchivoPrueba{hacerZip(t / "h" / (id + ".zip"), entradas)});
    servicio.skill(
        id, Json{{"skill",
                  {{"id", id}, {"nombre", id}, {"version", "1.0"}, {"url", "h/" + id + ".zip"}}}}
                .dump());
    pedir("instalar", id);
  }
};

TEST_F(SkillsHostiles, SeRechazanAntesDeColocarConSuMotivo) {
  // A link where the staging folder goes: the clean-up at first use takes the link, not what
  // it points at.
  t.escribir("ajena/foto.jpg", "del usuario");
  fs::create_directories(datos / "skills");
  fs::create_directory_symlink(t / "ajena", datos / "skills/.preparando");
  const std::string no = "No pude descomprimir la skill: ";
  const std::string grande = no + "se expande mucho más de lo razonable para una skill";
  const std::string vueltas = no + "el zip trae enlaces que dan vueltas sobre sí mismos";
  const std::vector<std::tuple<std::string, std::vector<EntradaZip>, std::string>> casos = {
      {"bomba", skill("bomba", {{"ceros.bin", "ceros", "300"}}), grande},
      // A few bytes that declare 64 GB: refused before a sparse file of that size exists.
      {"disperso", skill("disperso", {{"g.bin", "archivo", "hola", 0644, 64ll << 30}}), grande},
      {"danada",
       {{"SKILL.md", "archivo", "# x\n", 0644, -1, true},
        {"skill.json", "archivo", R"({"id":"danada"})"}},
       no + "el zip está dañado o incompleto"},
      {"nodo", skill("nodo", {{"tty", "dispositivo"}}),
       no + "el zip trae dispositivos o tuberías, que no son archivos"},
      {"vueltas", skill("vueltas", {{"a", "enlace", "b"}, {"b", "enlace", "a"}}), vueltas},
      {"yo", skill("yo", {{"refs/yo", "enlace", "."}}), vueltas},
  };
  int rechazados = 0, sinRespuesta = 0;
  for (const auto& [id, entradas, mensaje] : casos) {
    ofrecer(id, entradas);
    rechazados += !error(id).empty();
    sinRespuesta += error(id).empty() && !fs::exists(destino / id);
    EXPECT_EQ(error(id), mensaje);
    EXPECT_FALSE(fs::exists(fs::symlink_status(destino / id))) << id;
    EXPECT_TRUE(preparando().empty()) << id;
  }
  EXPECT_EQ(rechazados, int(casos.size()));
  EXPECT_EQ(sinRespuesta, 0);
  EXPECT_EQ(leer(t / "ajena/foto.jpg"), "del usuario");
  EXPECT_FALSE(fs::is_symlink(datos / "skills/.preparando"));
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
