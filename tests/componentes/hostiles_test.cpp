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
  void ofrecer(const std::string& id, std::vector<EntradaZip> mas) {
    mas.insert(mas.begin(),
               {"componente.json", "archivo", Json{{"id", id}, {"version", "1.0"}}.dump()});
    servidor.publicar("/h/" + id + ".zip", {.datos = hacerZip(t / "h" / (id + ".zip"), mas)});
    refrescar(
        {{.id = id, .nombre = id, .app = "Notas", .version = "1.0", .url = "h/" + id + ".zip"}});
    comp().instalar(id);
    EXPECT_TRUE(esperarDescargas());
  }
};

TEST_F(ComponentesHostiles, SeRechazanAntesDeColocarConSuMotivo) {
  const std::string no = "No pude descomprimir el componente: ";
  const std::vector<std::tuple<std::string, std::vector<EntradaZip>, std::string>> casos = {
      // A few bytes that declare 64 GB: refused before a sparse file of that size exists.
      {"disperso",
       {{"g.bin", "archivo", "hola", 0644, 64ll << 30}},
       no + "se expande mucho más de lo razonable para un componente"},
      {"danado",
       {{"main.js", "archivo", "x()", 0644, -1, true}},
       no + "el zip está dañado o incompleto"},
      {"nodo",
       {{"tty", "dispositivo"}},
       no + "el zip trae dispositivos o tuberías, que no son archivos"},
  };
  for (const auto& [id, entradas, mensaje] : casos) {
    ofrecer(id, entradas);
    EXPECT_EQ(comp().errores[id], mensaje);
    EXPECT_FALSE(fs::exists(fs::symlink_status(carpeta() / id))) << id;
    EXPECT_TRUE(fs::is_empty(carpeta() / ".preparando")) << id;
  }
  EXPECT_TRUE(comp().instalados().empty());

  // An in-use marker is the apps' to write: one shipped, even as a folder, goes.
  ofrecer("marcado", {{".en-uso/pid", "archivo", "1"}});
  ASSERT_TRUE(comp().instalado("marcado")) << comp().errores["marcado"];
  EXPECT_FALSE(fs::exists(carpeta() / "marcado/.en-uso"));
}

}  // namespace
}  // namespace orvo::prueba
