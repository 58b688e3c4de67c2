// Bad input touches nothing: archives that fail a check, ids that would reach outside
// the components folder, a damaged record file.
#include <fstream>

#include "banco.h"
#include "comun/archivos.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

TEST_F(Banco, UnArchivoQueFallaUnChequeoDejaIntactoLoInstalado) {
  instalarYa(publicar("texto", "1.0", std::nullopt, {.archivos = {{"datos.txt", "uno"}}}));
  auto antes = leerArchivo(carpeta() / "instalados.json");

  auto otroDigesto = publicar("texto", "2.0");
  otroDigesto.sha256 = std::string(64, '0');
  std::vector<std::pair<ComponenteRemoto, std::string>> casos = {
      {otroDigesto,
       "La descarga no coincide con la publicada (la huella es distinta). No instalé nada."},
      {publicar("texto", "2.0", "e", {.entrada = "falta.js"}), "Falta la entrada falta.js"},
      {publicar("texto", "2.0", "f", {.entrada = "../texto/componente.json"}),
       "Falta la entrada ../texto/componente.json"}};
  // Each descriptor that is not this release's, in a build of its own.
  for (const auto& d : std::vector<std::string>{
           R"({"id":"texto","version":"2"})", R"({"id":"otro","version":"2.0"})", "no es json",
           R"({"id":"texto","version":"2.0","x":")" + std::string(2u << 20, 'a') + "\"}"})
    casos.push_back({publicar("texto", "2.0", std::to_string(casos.size()), {.descriptor = d}),
                     "El zip no trae el componente.json de texto 2.0"});
  for (const auto& [r, mensaje] : casos) {
    refrescar({r});
    EXPECT_EQ(comp().errores["texto"], mensaje) << r.url;
    EXPECT_EQ(leerArchivo(carpeta() / "instalados.json"), antes);
    EXPECT_EQ(leerArchivo(carpeta() / "texto/datos.txt"), "uno");
    EXPECT_TRUE(fs::is_empty(carpeta() / ".preparando"));
  }

  // A digest in upper case passes, and an empty entry names the component's own folder.
  auto bueno =
      publicar("texto", "2.0", std::nullopt, {.entrada = "", .archivos = {{"datos.txt", "dos"}}});
  for (auto& c : *bueno.sha256) c = static_cast<char>(std::toupper(c));
  refrescar({bueno});
  EXPECT_FALSE(comp().errores.contains("texto"));
  EXPECT_EQ(leerArchivo(carpeta() / "texto/datos.txt"), "dos");
}

TEST_F(Banco, LosIdentificadoresHostilesSeRechazanSinEscribirNada) {
  t.escribir("fuera/intacto.txt", "sigo aquí");
  instalarYa(publicar("bueno", "1.0"));
  auto antes = leerArchivo(carpeta() / "instalados.json");

  const std::string kMensaje = "El identificador del componente no es válido. No toqué nada.";
  for (std::string id : std::vector<std::string>{
           "..", ".", "../../fuera", "a/b", ".pendientes", ".preparando", "instalados.json", "a\nb",
           std::string("a\0b", 3), "", std::string(300, 'a')}) {
    for (const char* accion : {"instalar", "quitar"}) {
      comp().errores.clear();
      comp().pedir(accion, id);
      EXPECT_EQ(comp().errores[id], kMensaje) << accion << " " << id;
    }
    comp().activar(id, false);
    EXPECT_FALSE(comp().enUso(id));
  }
  bucle.procesar();
  EXPECT_TRUE(comp().descargando.empty());
  EXPECT_EQ(leerArchivo(t / "fuera/intacto.txt"), "sigo aquí");
  EXPECT_EQ(leerArchivo(carpeta() / "instalados.json"), antes);
  EXPECT_TRUE(fs::exists(carpeta() / ".pendientes"));
  EXPECT_TRUE(fs::exists(carpeta() / "bueno/componente.json"));
}

TEST_F(Banco, UnaListaIlegibleSeGuardaYSeRehaceSinEncenderNada) {
  instalarYa(publicar("alfa", "1.0", "7"));
  instalarYa(publicar("beta", "2.0"));
  comp().activar("beta", false);
  // One record that no longer decodes spoils the file; the other still tells its switch.
  auto doc = Json::parse(*leerArchivo(carpeta() / "instalados.json"));
  doc["componentes"][0]["ruta"] = 5;
  auto danado = doc.dump();
  t.escribir("datos/componentes/instalados.json", danado);
  auto rehecho = comp().instalados();
  ASSERT_EQ(rehecho.size(), 2u);
  EXPECT_EQ(std::tie(rehecho[0].id, rehecho[0].version, rehecho[0].activado),
            std::make_tuple("alfa", "1.0", false));
  EXPECT_EQ(std::tie(rehecho[1].id, rehecho[1].nombre, rehecho[1].activado),
            std::make_tuple("beta", "Componente beta", false));
  EXPECT_EQ(leerArchivo(carpeta() / "instalados.json.danado"), danado);
  // Past what a reader takes whole: never written over, kept as the next copy.
  comp().activar("alfa", true);
  std::ofstream(carpeta() / "instalados.json") << std::string(65u << 20, ' ');
  comp().activar("beta", true);
  EXPECT_EQ(fs::file_size(carpeta() / "instalados.json.danado.2"), 65u << 20);
  auto lista = comp().instalados();
  ASSERT_EQ(lista.size(), 2u);
  EXPECT_FALSE(lista[0].activado);
  EXPECT_TRUE(lista[1].activado);

  // Which published releases count as new against those records.
  auto nueva = [&](std::string id, std::string version, std::optional<std::string> build = {}) {
    return comp().hayNueva({.id = id, .version = version, .build = build});
  };
  EXPECT_FALSE(nueva("beta", "1.9"));
  EXPECT_TRUE(nueva("beta", "2.10"));
  EXPECT_FALSE(nueva("alfa", "1.0", "8")) << "the rebuilt record does not know its build";
  EXPECT_FALSE(nueva("beta", "2.0", "8"));
}
