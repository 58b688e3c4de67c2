// Whole component installs through the real refresh, real HTTP and real zips: a first
// install behind redirects, a stalled download, a release that waits for the process using the
// component, replacements, removal while in use, the app's minimum version and a local source.
#include <unistd.h>

#include "banco.h"
#include "comun/archivos.h"
#include "comun/json_estricto.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

// The token goes to its own origin only: a redirect within it keeps it, one to another
// server drops it, and the archive still installs from there.
TEST_F(Banco, PrimeraInstalacionTrasRedirecciones) {
  ServidorPrueba otro;
  auto r = publicar("subtitulos", "1.0", std::nullopt,
                    {.entrada = "bin/main.js", .archivos = {{"bin/main.js", "ok"}}});
  otro.publicar("/s.zip", {.datos = leer(t / "zips/subtitulos-1.0.zip")});
  servidor.alRuta("/r/s.zip", [](auto&) { return redirigir("/r/aqui.zip"); });
  servidor.alRuta("/r/aqui.zip", [&](auto&) { return redirigir(otro.base() + "s.zip"); });
  r.url = "r/s.zip";
  manifiesto({r});
  revisar();
  // Published but not installed: synchronising alone installs nothing.
  EXPECT_TRUE(otro.peticiones().empty());

  comp().pedir("instalar", "subtitulos");
  ASSERT_TRUE(esperarDescargas());
  EXPECT_EQ(leerArchivo(carpeta() / "subtitulos/bin/main.js"), "ok");
  std::vector<std::string> conToken;
  for (const auto& p : servidor.peticiones())
    if (p.ruta.starts_with("/r/") && p.cabecera("X-Orvo-Token") == "T-comp")
      conToken.push_back(p.ruta);
  EXPECT_EQ(conToken, (std::vector<std::string>{"/r/s.zip", "/r/aqui.zip"}));
  ASSERT_EQ(otro.peticiones().size(), 1u);
  EXPECT_EQ(otro.peticiones()[0].cabecera("X-Orvo-Token"), "");

  EXPECT_TRUE(comp().instalado("subtitulos").value_or(ComponenteInstalado{}).activado);
  EXPECT_TRUE(fs::is_empty(carpeta() / ".preparando"));
  // The usage report carries it, through the catalogue's own report.
  EXPECT_EQ(catalogo().reporte()["apps"].back(),
            (Json{{"id", "comp:subtitulos"}, {"version", "1.0"}, {"build", ""}}));

  // Current and nothing pending: a second request does nothing at all.
  int antes = cambios;
  comp().instalar("subtitulos");
  EXPECT_TRUE(comp().descargando.empty());
  EXPECT_EQ(cambios, antes);
}

// A minute of silence ends the download (played here as a second): the id does not stay
// "descargando", and the next request downloads again.
TEST_F(Banco, UnaDescargaDetenidaTerminaYLaSiguienteInstala) {
  auto r = publicar("parado", "1.0");
  servidor.publicar(
      "/c/parado-1.0.zip",
      {.datos = leer(t / "zips/parado-1.0.zip"), .detenerTras = 1, .detencionesRestantes = 1});
  http.escala = 1.0 / 60;
  refrescar({r});
  comp().instalar("parado");
  ASSERT_TRUE(esperarDescargas());
  EXPECT_TRUE(comp().errores["parado"].starts_with("Se cortó la descarga: se agotó el tiempo"))
      << comp().errores["parado"];
  EXPECT_FALSE(comp().instalado("parado"));
  comp().instalar("parado");
  ASSERT_TRUE(esperarDescargas());
  EXPECT_TRUE(comp().instalado("parado")) << comp().errores["parado"];
}

TEST_F(Banco, UnaVersionNuevaEsperaAQueLaAppSuelteElComponente) {
  instalarYa(publicar("efectos", "1.0", "7", {.archivos = {{"v.txt", "1"}}}));
  comp().activar("efectos", false);
  auto app = usar("efectos");
  auto temporizadores = bucle.temporizadoresActivos();

  // The refresh finds 2.0 and updates what is installed without being asked, once the
  // connection has no data limit; staged, it is still shown as new, but no later refresh
  // downloads it again.
  auto v2 = publicar("efectos", "2.0", std::nullopt, {.archivos = {{"v.txt", "2"}}});
  condiciones.limitada = true;
  refrescar({v2});
  EXPECT_EQ(descargasDe("efectos"), 1u);
  condiciones.poner(false, false);
  ASSERT_TRUE(esperarDescargas());
  ASSERT_EQ(comp().instalado("efectos")->pendiente, "2.0·");
  EXPECT_EQ(leerArchivo(carpeta() / "efectos/v.txt"), "1");
  EXPECT_EQ(comp().estado()[0]["nueva"], true);
  refrescar({v2});
  EXPECT_EQ(descargasDe("efectos"), 2u);
  // Still in use at the next tick: nothing moves.
  bucle.avanzar(10);
  EXPECT_EQ(leerArchivo(carpeta() / "efectos/v.txt"), "1");
  ASSERT_EQ(bucle.temporizadoresActivos(), temporizadores + 1);

  // 3.0 is published but cannot be fetched; 2.0 waits in its place and must not be
  // recorded as 3.0 when the app lets go.
  auto v3 = v2;
  v3.version = "3.0";
  v3.url = "c/no-esta.zip";
  refrescar({v3});
  EXPECT_EQ(comp().errores["efectos"], "El servidor respondió 404");
  app.reset();
  bucle.avanzar(10);
  EXPECT_EQ(comp().instalado("efectos")->version, "1.0");

  // 2.0 published again: the refresh places what waited, without fetching it again, and
  // keeps the switch; nothing waits any more, so the retry timer is gone.
  refrescar({v2});
  auto inst = comp().instalado("efectos");
  EXPECT_EQ(inst->version, "2.0");
  EXPECT_FALSE(inst->pendiente);
  EXPECT_FALSE(inst->activado);
  EXPECT_EQ(leerArchivo(carpeta() / "efectos/v.txt"), "2");
  EXPECT_FALSE(fs::exists(carpeta() / ".pendientes/efectos"));
  EXPECT_EQ(descargasDe("efectos"), 2u);
  EXPECT_EQ(bucle.temporizadoresActivos(), temporizadores);
}

TEST_F(Banco, ElReemplazoHeredaElInterruptorYQuitaElViejoCuandoNingunProcesoVivoLoUsa) {
  instalarYa(publicar("viejo", "1.0"));
  comp().activar("viejo", false);
  auto app = usar("viejo");

  auto nuevo = publicar("nuevo", "1.0");
  nuevo.migrarDe = "viejo";
  refrescar({nuevo});
  EXPECT_FALSE(comp().instalado("nuevo").value_or(ComponenteInstalado{}).activado);
  // The old one is still in use: it stays, and removing it by hand is refused too.
  EXPECT_TRUE(comp().instalado("viejo"));
  EXPECT_FALSE(comp().quitar("viejo"));
  EXPECT_EQ(comp().errores["viejo"], "Está en uso: desactívalo en la app antes de quitarlo");
  EXPECT_TRUE(fs::exists(carpeta() / "viejo/componente.json"));
  // No longer published, but installed: listed after the published ones.
  auto estado = comp().estado();
  ASSERT_EQ(estado.size(), 2u);
  EXPECT_EQ(std::tie(estado[1]["id"], estado[1]["version"], estado[1]["enUso"]),
            std::make_tuple("viejo", "", true));

  app.reset();
  revisar();
  EXPECT_FALSE(comp().instalado("viejo"));
  EXPECT_FALSE(fs::exists(carpeta() / "viejo"));

  // Only a live process with a positive id counts as use: "-1" and "0" would reach every
  // process or the own group, and a dead process counts for nothing either.
  pid_t muerto = usar("nuevo")->pid();
  for (const auto& marca :
       std::vector<std::string>{"-1", "0", "+0", "4294967296", "12a", "", std::to_string(muerto)}) {
    marcar("nuevo", marca);
    EXPECT_FALSE(comp().enUso("nuevo")) << marca;
  }
  marcar("nuevo", "+" + std::to_string(getpid()) + "\r\n");
  EXPECT_TRUE(comp().enUso("nuevo"));
  marcar("nuevo", "-1");
  EXPECT_TRUE(comp().quitar("nuevo"));
  EXPECT_FALSE(fs::exists(carpeta() / "nuevo"));
  EXPECT_TRUE(comp().instalados().empty());
}

TEST_F(Banco, LaVersionMinimaDeLaAppSeMideEnElBundleInstalado) {
  auto r = publicar("filtro", "1.0");
  r.minApp = "2.0";
  manifiesto({r});
  revisar();
  auto claves = clavesDe("com.orvo.notas", "notas");
  claves["CFBundleShortVersionString"] = "1.9";
  crearBundle(apps, "Orvo Notas", claves);
  comp().instalar("filtro");
  EXPECT_EQ(comp().errores["filtro"], "Necesita Orvo Notas 2.0 o más nueva (tienes 1.9)");
  bucle.procesar();
  EXPECT_EQ(descargasDe("filtro"), 0u);

  // A new enough app, or none at all, lets it through.
  fs::remove_all(apps / "Orvo Notas.app");
  comp().instalar("filtro");
  ASSERT_TRUE(esperarDescargas());
  EXPECT_TRUE(comp().instalado("filtro"));
}

TEST_F(Banco, UnaFuenteLocalSeLeeSinRed) {
  auto r = publicar("local", "1.0", std::nullopt, {.archivos = {{"a.txt", "a"}}});
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = (t / "fuente").string(); });
  t.escribir("fuente/orvo-suite.json",
             Manifiesto{.formato = "f", .componentes = {r}}.aJson().dump());
  revisar();
  comp().pedir("instalar", "local");
  ASSERT_TRUE(esperarDescargas());
  EXPECT_EQ(comp().errores["local"],
            "Se cortó la descarga: no encuentro el archivo local-1.0.zip en la fuente");

  fs::create_directories(t / "fuente/c");
  fs::copy_file(t / "zips/local-1.0.zip", t / "fuente/c/local-1.0.zip");
  comp().pedir("instalar", "local");
  ASSERT_TRUE(esperarDescargas());
  EXPECT_EQ(leerArchivo(carpeta() / "local/a.txt"), "a");
  EXPECT_EQ(descargasDe("local"), 0u);
}
