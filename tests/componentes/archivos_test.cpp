// Bad input touches nothing: archives that fail a check or come hostile from the server, ids
// that would reach outside the components folder, a damaged record file.
#include "comun/archivos.h"
#include "banco.h"

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
  // componente.json of 2.0, then `mas` written entry by entry, served without a digest.
  auto hostil = [&](std::vector<EntradaZip> mas, const std::string& version = "2.0") {
    auto r = publicar("texto", version, "h" + std::to_string(casos.size()));
    mas.insert(mas.begin(),
               {"componente.json", "archivo", Json{{"id", "texto"}, {"version", version}}.dump()});
    servidor.publicar("/" + r.url, {.datos = hacerZip(t / "hostil.zip", mas)});
    r.tam.reset();
    r.sha256.reset();
    return r;
  };
  const std::string no = "No pude descomprimir el componente: ";
  // A few bytes that declare 64 GB: refused before a sparse file of that size exists.
  casos.push_back({hostil({{"g.bin", "archivo", "hola", 0644, 64ll << 30}}),
                   no + "se expande mucho más de lo razonable para un componente"});
  casos.push_back({hostil({{"main.js", "archivo", "x()", 0644, -1, true}}),
                   no + "el zip está dañado o incompleto"});
  casos.push_back({hostil({{"tty", "dispositivo"}}),
                   no + "el zip trae dispositivos o tuberías, que no son archivos"});
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

  // An in-use marker is the apps' to write: one shipped, even as a folder, goes.
  refrescar({hostil({{".en-uso/pid", "archivo", "1"}, {"datos.txt", "archivo", "tres"}}, "3.0")});
  EXPECT_EQ(leerArchivo(carpeta() / "texto/datos.txt"), "tres") << comp().errores["texto"];
  EXPECT_FALSE(fs::exists(carpeta() / "texto/.en-uso"));
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
  // A file past what a reader takes whole is the shared reader's, kept aside in
  // Skills_.UnRegistroIlegibleSeGuardaYSeRehaceConLoColocado.

  // The rebuilt record does not know its build: a new build alone is no news.
  EXPECT_FALSE(comp().hayNueva({.id = "alfa", .version = "1.0", .build = "8"}));
  EXPECT_TRUE(comp().hayNueva({.id = "alfa", .version = "1.10"}));
}
