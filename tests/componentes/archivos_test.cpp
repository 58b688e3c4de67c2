// Bad input touches nothing: archives that fail a check, ids that would reach outside
// the components folder, a damaged record file.
#include "comun/archivos.h"
#include "apoyo/ordenes.h"
#include "banco.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

TEST_F(Banco, UnArchivoQueFallaUnChequeoDejaIntactoLoInstalado) {
  auto v1 = publicar("texto", "1.0", std::nullopt, {.archivos = {{"datos.txt", "uno"}}});
  instalarYa(v1);
  auto antes = leerArchivo(carpeta() / "instalados.json");

  auto malo = publicar("texto", "2.0");
  auto otroDigesto = malo;
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
           "{\"id\":\"texto\xff\",\"version\":\"2.0\"}",
           R"({"id":"texto","version":"2.0","x":")" + std::string(2u << 20, 'a') + "\"}"})
    casos.push_back({publicar("texto", "2.0", std::to_string(casos.size()), {.descriptor = d}),
                     "El zip no trae el componente.json de texto 2.0"});
  // An archive whose entry climbs out of the folder is refused by the unpacker.
  auto fuera = malo;
  fuera.url = "c/fuera.zip";
  fuera.sha256.reset();
  t.escribir("fuera.py", R"(import zipfile
z = zipfile.ZipFile("fuera.zip", "w")
z.writestr("componente.json", '{"id":"texto","version":"2.0"}')
z.writestr("../../x.escapado", "x")
z.close()
)");
  EXPECT_EQ(ejecutar("cd '" + t.ruta().string() + "' && /usr/bin/python3 fuera.py").estado, 0);
  servidor.publicar("/c/fuera.zip", {.datos = *leerArchivo(t / "fuera.zip")});
  casos.push_back(
      {fuera,
       "No pude descomprimir el componente: el zip trae rutas o enlaces que salen de su carpeta"});
  auto perdido = malo;
  perdido.url = "c/no-esta.zip";
  casos.push_back({perdido, "El servidor respondió 404"});

  for (const auto& [r, mensaje] : casos) {
    refrescar({r});
    EXPECT_EQ(comp().errores["texto"], mensaje) << r.url;
    EXPECT_EQ(leerArchivo(carpeta() / "instalados.json"), antes);
    EXPECT_EQ(leerArchivo(carpeta() / "texto/datos.txt"), "uno");
    EXPECT_TRUE(fs::is_empty(carpeta() / ".preparando"));
    EXPECT_FALSE(fs::exists(carpeta() / "x.escapado"));
  }

  // A digest in upper case and an empty one both pass.
  auto bueno = publicar("texto", "2.0", std::nullopt, {.archivos = {{"datos.txt", "dos"}}});
  for (auto& c : *bueno.sha256) c = static_cast<char>(std::toupper(c));
  refrescar({bueno});
  EXPECT_FALSE(comp().errores.contains("texto"));
  EXPECT_EQ(leerArchivo(carpeta() / "texto/datos.txt"), "dos");
}

TEST_F(Banco, LosIdentificadoresHostilesSeRechazanSinEscribirNada) {
  t.escribir("fuera/intacto.txt", "sigo aquí");
  auto r = publicar("bueno", "1.0");
  instalarYa(r);
  auto antes = leerArchivo(carpeta() / "instalados.json");

  const std::string kMensaje = "El identificador del componente no es válido. No toqué nada.";
  for (std::string id :
       std::vector<std::string>{"..", ".", "../../fuera", "a/b", ".pendientes", ".preparando",
                                "instalados.json", "a\nb", std::string("a\0b", 3)}) {
    for (const char* accion : {"instalar", "quitar"}) {
      comp().errores.clear();
      comp().pedir(accion, id);
      EXPECT_EQ(comp().errores[id], kMensaje) << accion << " " << id;
    }
    comp().activar(id, false);
    EXPECT_FALSE(comp().enUso(id));
  }
  comp().pedir("quitar", "");
  EXPECT_FALSE(comp().errores.contains(""));
  bucle.procesar();
  EXPECT_TRUE(comp().descargando.empty());
  EXPECT_EQ(leerArchivo(t / "fuera/intacto.txt"), "sigo aquí");
  EXPECT_EQ(leerArchivo(carpeta() / "instalados.json"), antes);
  EXPECT_TRUE(fs::exists(carpeta() / ".pendientes"));
  EXPECT_TRUE(fs::exists(carpeta() / "bueno/componente.json"));

  // Published under a hostile id: refused when asked for, never fetched.
  auto hostil = publicar("bueno", "1.1");
  hostil.id = "../fuera";
  manifiesto({hostil});
  revisar();
  comp().pedir("instalar", "../fuera");
  bucle.procesar();
  EXPECT_EQ(comp().errores["../fuera"], kMensaje);
  EXPECT_EQ(descargasDe("bueno"), 1u);
}

TEST_F(Banco, LaListaDeInstaladosSeReescribeOrdenadaYSobreviveAUnArchivoRoto) {
  fs::create_directories(carpeta());
  t.escribir("datos/componentes/instalados.json", "{ esto no es json");
  EXPECT_TRUE(comp().instalados().empty());

  auto a = [](std::string id, std::string version, std::optional<std::string> build = {}) {
    return ComponenteInstalado{
        .id = id, .nombre = id, .app = "Orvo Notas", .version = version, .build = build};
  };
  ASSERT_FALSE(comp().cambiarInstalados([&](auto& l) {
    l = {a("zeta", "1.3.0"), a("alfa", "1.0", "7"), a("medio", "1.0")};
  }));
  auto doc = Json::parse(*leerArchivo(carpeta() / "instalados.json"));
  EXPECT_EQ(doc["componentes"][0]["id"], "alfa");
  EXPECT_EQ(doc["componentes"][2]["id"], "zeta");

  // Which published releases count as new against those records.
  auto nueva = [&](std::string id, std::string version, std::optional<std::string> build = {}) {
    ComponenteRemoto r;
    r.id = id;
    r.version = version;
    r.build = build;
    return comp().hayNueva(r);
  };
  EXPECT_FALSE(nueva("zeta", "1.2.0"));
  EXPECT_TRUE(nueva("zeta", "1.10.0"));
  EXPECT_TRUE(nueva("alfa", "1.0", "8"));
  EXPECT_FALSE(nueva("alfa", "1.0"));
  EXPECT_FALSE(nueva("medio", "1.0", "8"));
}
