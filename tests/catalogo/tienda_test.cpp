// The store: files, defaults, the one-time migration, the source and its token.
#include "apoyo/nucleo_servidor.h"
#include "cuenta/tokens.h"

namespace orvo::prueba {
namespace {

using Tienda = NucleoEnServidor;

TEST_F(Tienda, ValoresPorDefectoSinEscribirNadaNiTocarLoIlegible) {
  EXPECT_EQ(catalogo().aplicaciones, apps);
  EXPECT_FALSE(std::filesystem::exists(datos / "ajustes.json"));

  t.escribir("datos/ajustes.json", "{\"fuente\": 3");
  t.escribir("datos/registro.json", "[]");
  arrancar();
  EXPECT_EQ(catalogo().ajustes, Ajustes::porDefecto("https://suite.orvo.example/"));
  EXPECT_TRUE(catalogo().registro.apps.empty());
  EXPECT_EQ(leer(datos / "ajustes.json"), "{\"fuente\": 3");

  // Without the variables: the user's data folder and /Applications.
  sistema.variables.clear();
  arrancar();
  EXPECT_EQ(catalogo().carpeta, t / "xdg" / "Orvo Suite");
  EXPECT_TRUE(std::filesystem::is_directory(catalogo().carpeta));
  EXPECT_EQ(catalogo().aplicaciones, "/Applications");
}

TEST_F(Tienda, MigraLaViejaFuenteUnaSolaVez) {
  auto ajustes = [](const std::string& fuente) {
    return Json{{"fuente", fuente},
                {"instalarAlCerrar", false},
                {"componentes", Json::object()},
                {"avisar", Json::object()}}
        .dump();
  };
  t.escribir("datos/ajustes.json",
             ajustes((t / "casa").string() + "/Desktop/Instaladores/orvo-suite"));
  arrancar();
  EXPECT_EQ(catalogo().ajustes.fuente, "https://suite.orvo.example/");
  EXPECT_FALSE(catalogo().ajustes.instalarAlCerrar);
  EXPECT_EQ(analizarJson(leer(datos / "ajustes.json")).valor()["fuente"],
            "https://suite.orvo.example/");

  // Any other folder is the user's choice and stays.
  t.escribir("datos/ajustes.json", ajustes("~/Otra"));
  arrancar();
  EXPECT_EQ(catalogo().ajustes.fuente, "~/Otra");
  EXPECT_FALSE(catalogo().necesitaLogin());
}

TEST_F(Tienda, ElTokenSeBuscaPorLaBaseExacta) {
  (void)escribirTokens(datos, {{"https://orvo.example/cat/", "T1"}});
  catalogo().cambiarAjustes([](Ajustes& a) { a.fuente = " https://orvo.example/cat\t"; });
  EXPECT_FALSE(catalogo().necesitaLogin());
  auto p = catalogo().solicitud(catalogo().urlDe("v.zip").texto());
  EXPECT_EQ(p.url, "https://orvo.example/cat/v.zip");
  EXPECT_EQ(p.cabecera("X-Orvo-Token"), "T1");

  catalogo().cambiarAjustes([](Ajustes& a) { a.fuente = "https://orvo.example/cat/sub/"; });
  EXPECT_TRUE(catalogo().necesitaLogin());
  EXPECT_FALSE(catalogo().solicitud("https://orvo.example/cat/sub/v.zip").cabecera("X-Orvo-Token"));
  // A local source carries no token, even with one stored for the default server.
  (void)escribirTokens(datos, {{"https://suite.orvo.example/", "T1"}});
  catalogo().cambiarAjustes([](Ajustes& a) { a.fuente = "~/Catalogo"; });
  EXPECT_EQ(catalogo().urlDe("apps/v.zip").archivo, t / "casa/Catalogo/apps/v.zip");
  EXPECT_FALSE(catalogo().solicitud("file:///x").cabecera("X-Orvo-Token"));

  // A token file that cannot be read is an empty table.
  t.escribir("datos/sesion.json", "no json");
  catalogo().cambiarAjustes([](Ajustes& a) { a.fuente = "https://orvo.example/cat/"; });
  EXPECT_TRUE(catalogo().necesitaLogin());
}

}  // namespace
}  // namespace orvo::prueba
