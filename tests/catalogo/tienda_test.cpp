// The store: files, defaults, the one-time migration, the source and its requests.
#include "apoyo/carpeta_temporal.h"
#include "cuenta/tokens.h"
#include "entorno.h"

namespace orvo::prueba {
namespace {

using Tienda = Entorno;

TEST_F(Tienda, ArrancaConLosValoresPorDefectoSinEscribirNada) {
  EXPECT_EQ(catalogo().aplicaciones, apps);
  EXPECT_EQ(catalogo().ajustes.fuente, "https://suite.orvo.example/");
  EXPECT_TRUE(catalogo().necesitaLogin());
  EXPECT_FALSE(std::filesystem::exists(datos / "ajustes.json"));
  EXPECT_TRUE(catalogo().registro.apps.empty());
}

TEST_F(Tienda, SinVariablesUsaLaCarpetaDeDatosDelUsuario) {
  sistema.variables.clear();
  arrancar();
  EXPECT_EQ(catalogo().carpeta, t / "xdg" / "Orvo Suite");
  EXPECT_TRUE(std::filesystem::is_directory(catalogo().carpeta));
  EXPECT_EQ(catalogo().aplicaciones, "/Applications");
}

TEST_F(Tienda, MigraLaViejaFuenteUnaSolaVez) {
  auto vieja = (t / "casa").string() + "/Desktop/Instaladores/orvo-suite";
  auto ajustes = [](const std::string& fuente) {
    return Json{{"fuente", fuente},
                {"instalarAlCerrar", false},
                {"componentes", Json::object()},
                {"avisar", Json::object()}}
        .dump();
  };
  t.escribir("datos/ajustes.json", ajustes(vieja));
  arrancar();
  EXPECT_EQ(catalogo().ajustes.fuente, "https://suite.orvo.example/");
  EXPECT_FALSE(catalogo().ajustes.instalarAlCerrar);
  auto escrito = analizarJson(leer(datos / "ajustes.json")).valor();
  EXPECT_EQ(escrito["fuente"], "https://suite.orvo.example/");

  // Any other folder is the user's choice and stays.
  t.escribir("datos/ajustes.json", ajustes("~/Otra"));
  arrancar();
  EXPECT_EQ(catalogo().ajustes.fuente, "~/Otra");
  EXPECT_FALSE(catalogo().necesitaLogin());
}

TEST_F(Tienda, ArchivosIlegiblesDanLosValoresPorDefecto) {
  t.escribir("datos/ajustes.json", "{\"fuente\": 3");
  t.escribir("datos/registro.json", "[]");
  arrancar();
  EXPECT_EQ(catalogo().ajustes, Ajustes::porDefecto("https://suite.orvo.example/"));
  EXPECT_EQ(leer(datos / "ajustes.json"), "{\"fuente\": 3");
}

TEST_F(Tienda, ElEquipoSeCreaYGuardaAlPrimerUso) {
  auto primero = catalogo().equipo();
  EXPECT_EQ(primero.size(), 36u);
  EXPECT_EQ(cambios, 1);
  auto escrito = leer(datos / "ajustes.json");
  EXPECT_NE(escrito.find(primero), std::string::npos);
  std::filesystem::remove(datos / "ajustes.json");
  EXPECT_EQ(catalogo().equipo(), primero);
  EXPECT_EQ(cambios, 1);
  EXPECT_FALSE(std::filesystem::exists(datos / "ajustes.json"));
}

TEST_F(Tienda, CambiarAjustesYAnotarInstalada) {
  catalogo().cambiarAjustes([](Ajustes& a) { a.componentes["x"] = false; });
  EXPECT_EQ(cambios, 1);
  AppRemota app;
  app.id = "video";
  app.version = "2.0";
  catalogo().anotarInstalada(app);
  EXPECT_EQ(cambios, 1);
  arrancar();
  EXPECT_FALSE(catalogo().ajustes.componentes.at("x"));
  ASSERT_TRUE(catalogo().registro.apps.contains("video"));
  EXPECT_EQ(catalogo().registro.apps["video"].version, "2.0");
  EXPECT_FALSE(catalogo().registro.apps["video"].build);
  EXPECT_LT(ahoraUtc() - catalogo().registro.apps["video"].fecha, std::chrono::seconds(5));
}

TEST_F(Tienda, ElTokenSeBuscaPorLaBaseExacta) {
  (void)escribirTokens(datos, {{"https://orvo.example/cat/", "T1"}});
  catalogo().cambiarAjustes([](Ajustes& a) { a.fuente = " https://orvo.example/cat\t"; });
  EXPECT_EQ(catalogo().ajustes.fuente, " https://orvo.example/cat\t");
  EXPECT_FALSE(catalogo().necesitaLogin());
  auto p = catalogo().solicitud(catalogo().urlDe("v.zip").texto());
  EXPECT_EQ(p.url, "https://orvo.example/cat/v.zip");
  EXPECT_EQ(p.metodo, "GET");
  EXPECT_EQ(p.espera, 60);
  EXPECT_EQ(p.cabecera("X-Orvo-Token"), "T1");

  catalogo().cambiarAjustes([](Ajustes& a) { a.fuente = "https://orvo.example/cat/sub/"; });
  EXPECT_TRUE(catalogo().necesitaLogin());
  EXPECT_FALSE(catalogo().solicitud("https://orvo.example/cat/sub/v.zip").cabecera("X-Orvo-Token"));

  // A token file that cannot be read is an empty table.
  t.escribir("datos/sesion.json", "no json");
  catalogo().cambiarAjustes([](Ajustes& a) { a.fuente = "https://orvo.example/cat/"; });
  EXPECT_TRUE(catalogo().necesitaLogin());
}

TEST_F(Tienda, UnaFuenteLocalNoLlevaToken) {
  (void)escribirTokens(datos, {{"https://suite.orvo.example/", "T1"}});
  catalogo().cambiarAjustes([](Ajustes& a) { a.fuente = "~/Catalogo"; });
  EXPECT_FALSE(catalogo().base().esServidor());
  EXPECT_EQ(catalogo().base().carpeta, t / "casa" / "Catalogo");
  auto u = catalogo().urlDe("apps/v.zip");
  EXPECT_TRUE(u.enDisco());
  EXPECT_EQ(u.archivo, t / "casa" / "Catalogo" / "apps" / "v.zip");
  EXPECT_FALSE(catalogo().solicitud("file:///x").cabecera("X-Orvo-Token"));
}

}  // namespace
}  // namespace orvo::prueba
