// Hostile archives from the server, through the real client, unpacker and folders: each is
// refused with its reason before anything is placed, or placed as the program's own.
#include "apoyo/zip_prueba.h"
#include "banco.h"

namespace orvo::prueba {
namespace {

namespace fs = std::filesystem;

class ComponentesHostiles : public Banco {
 protected:
  // Serves the zip of componente.json and `mas` as release 1.0 of `id` (no digest), installs.
  ComponenteRemoto ofrecer(const std::string& id, std::vector<EntradaZip> mas) {
    mas.insert(mas.begin(),
               {"componente.json", "archivo", Json{{"id", id}, {"version", "1.0"}}.dump()});
    servidor.publicar("/h/" + id + ".zip", {.datos = hacerZip(t / "h" / (id + ".zip"), mas)});
    ComponenteRemoto r{
        .id = id, .nombre = id, .app = "Orvo Notas", .version = "1.0", .url = "h/" + id + ".zip"};
    refrescar({r});
    comp().instalar(id);
    EXPECT_TRUE(esperarDescargas());
    return r;
  }
};

TEST_F(ComponentesHostiles, SeRechazanAntesDeColocarConSuMotivo) {
  // A link where the staging folder goes: the start-up clean-up takes the link, not what
  // it points at.
  t.escribir("ajena/foto.jpg", "del usuario");
  fs::create_directories(carpeta());
  fs::create_directory_symlink(t / "ajena", carpeta() / ".preparando");
  const std::string no = "No pude descomprimir el componente: ";
  const std::string grande = no + "se expande mucho más de lo razonable para un componente";
  const std::vector<std::tuple<std::string, std::vector<EntradaZip>, std::string>> casos = {
      {"bomba", {{"ceros.bin", "ceros", "300"}}, grande},
      // A few bytes that declare 64 GB: refused before a sparse file of that size exists.
      {"disperso", {{"g.bin", "archivo", "hola", 0644, 64ll << 30}}, grande},
      {"danado",
       {{"main.js", "archivo", "x()", 0644, -1, true}},
       no + "el zip está dañado o incompleto"},
      {"nodo",
       {{"tty", "dispositivo"}},
       no + "el zip trae dispositivos o tuberías, que no son archivos"},
      {"vueltas",
       {{"lib/actual", "enlace", "."}},
       no + "el zip trae enlaces que dan vueltas sobre sí mismos"},
  };
  int rechazados = 0, sinRespuesta = 0;
  for (const auto& [id, entradas, mensaje] : casos) {
    ofrecer(id, entradas);
    rechazados += comp().errores.contains(id);
    sinRespuesta += !comp().errores.contains(id) && !comp().instalado(id);
    EXPECT_EQ(comp().errores[id], mensaje);
    EXPECT_FALSE(comp().instalado(id));
    EXPECT_FALSE(fs::exists(fs::symlink_status(carpeta() / id))) << id;
    EXPECT_TRUE(fs::is_empty(carpeta() / ".preparando")) << id;
  }
  EXPECT_EQ(rechazados, int(casos.size()));
  EXPECT_EQ(sinRespuesta, 0);
  EXPECT_EQ(leer(t / "ajena/foto.jpg"), "del usuario");
  EXPECT_FALSE(fs::is_symlink(carpeta() / ".preparando"));

  // Modes that would hand the component to others are not kept; what runs still runs. An
  // in-use marker is the apps' to write: one shipped, even as a folder, goes.
  ofrecer("abierto", {{"bin/", "carpeta", "", 01777},
                      {"bin/correr", "archivo", "#!/bin/sh\n", 06777},
                      {"datos.txt", "archivo", "x", 0666},
                      {".en-uso/pid", "archivo", "1"}});
  ASSERT_TRUE(comp().instalado("abierto")) << comp().errores["abierto"];
  EXPECT_FALSE(fs::exists(carpeta() / "abierto/.en-uso"));
  EXPECT_EQ(fs::status(carpeta() / "abierto/bin").permissions(), fs::perms(0755));
  EXPECT_EQ(fs::status(carpeta() / "abierto/bin/correr").permissions(), fs::perms(0755));
  EXPECT_EQ(fs::status(carpeta() / "abierto/datos.txt").permissions(), fs::perms(0644));
}

}  // namespace
}  // namespace orvo::prueba
