// The test-install mode of the real binary: no display, one installation from a local
// folder or from the signed-in test server, progress lines on standard output and the
// outcome in the exit status.
#include <gtest/gtest.h>

#include <fstream>

#include "apoyo/servicio_prueba.h"
#include "programa/maquina.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

TEST(PruebaInstalar, DesdeUnaCarpetaLocalInstalaYLuegoActualizaLaAppAbierta) {
  Maquina m;
  auto fuente = m.t / "fuente";
  auto uno = empaquetarApp(m.t / "obra", fuente, "uno", "1.0");
  // Same bundle as "uno": once that is installed, this one is an update too.
  auto rota = uno;
  rota.id = "rota";
  rota.url = "falta.zip";
  m.manifiesto(fuente, {uno, rota});
  m.fuente(fuente.string());

  auto r = m.instalar("uno");
  EXPECT_EQ(r.estado, 0) << r.texto;
  EXPECT_EQ(lineas(r.texto), (std::vector<std::string>{
                                 "fuente: ok · estado: Prueba uno 1.0: no instalada; Prueba uno "
                                 "1.0: no instalada",
                                 "corriendo · paso 1/5 Descargar 0% ",
                                 "corriendo · paso 1/5 Descargar 100% ",
                                 "corriendo · paso 2/5 Verificar la descarga 0% ",
                                 "corriendo · paso 3/5 Instalar en Aplicaciones 0% ",
                                 "corriendo · paso 4/5 Registrar en Linux 0% ",
                                 "corriendo · paso 5/5 Abrir Prueba uno 0% ",
                                 "lista · paso 6/5 fin 100% ",
                                 "FIN lista",
                             }));
  auto registro = Json::parse(leerArchivo(m.t / "datos/registro.json").value_or("{}"));
  EXPECT_EQ(registro["apps"]["uno"]["version"], "1.0");
  EXPECT_NE(m.log().find("instalar Prueba uno 1.0"), std::string::npos);
  EXPECT_NE(m.log().find("Prueba uno 1.0  instalada"), std::string::npos);

  // The app it opened still runs: the update waits, asks it to quit, then goes on.
  uno = empaquetarApp(m.t / "obra", fuente, "uno", "2.0");
  m.manifiesto(fuente, {uno, rota});
  r = m.instalar("uno", "OV_CERRAR=1");
  EXPECT_EQ(r.estado, 0) << r.texto;
  EXPECT_NE(r.texto.find("Prueba uno 2.0: instalada 1.0, hay una nueva, abierta"),
            std::string::npos)
      << r.texto;
  EXPECT_NE(r.texto.find("\nesperaCierre · paso 3/6 Esperar que cierres Prueba uno 0% \n"),
            std::string::npos);
  EXPECT_NE(r.texto.find("\ncorriendo · paso 4/6 Guardar la versión anterior 0% \n"),
            std::string::npos);
  EXPECT_TRUE(r.texto.ends_with("FIN lista\n"));
  registro = Json::parse(leerArchivo(m.t / "datos/registro.json").value_or("{}"));
  EXPECT_EQ(registro["apps"]["uno"]["version"], "2.0");
  EXPECT_TRUE(fs::exists(m.t / "datos/respaldo/Prueba uno.app"));

  r = m.instalar("rota");
  EXPECT_EQ(r.estado, 1);
  EXPECT_TRUE(r.texto.ends_with(
      "error · paso 1/6 Descargar la versión nueva 0% No encuentro el archivo falta.zip en la "
      "fuente\nFIN error\n"))
      << r.texto;
  EXPECT_NE(m.log().find("instalación de Prueba uno falló: No encuentro el archivo falta.zip"),
            std::string::npos);

  r = m.instalar("nadie");
  EXPECT_EQ(r.estado, 1);
  EXPECT_TRUE(r.texto.ends_with("FIN sin app\n")) << r.texto;
}

TEST(PruebaInstalar, DesdeElServidorConLaSesionGuardada) {
  Maquina m;
  ServidorPrueba servidor;
  ServicioPrueba servicio(servidor);
  auto uno = empaquetarApp(m.t / "obra", m.t / "zips", "uno", "1.0");
  servidor.publicar("/uno.zip", {.datos = *leerArchivo(m.t / "zips/uno.zip"), .etag = "\"1\""});
  servicio.manifiesto(
      "tok-1",
      Json{{"formato", "orvo-suite/1"}, {"version", 1}, {"apps", Json::array({uno.aJson()})}}
          .dump());
  m.fuente(servidor.base());
  m.t.escribir("datos/sesion.json", Json{{servidor.base(), "tok-1"}}.dump());

  auto r = m.instalar("uno");
  EXPECT_EQ(r.estado, 0) << r.texto;
  EXPECT_TRUE(r.texto.starts_with("fuente: ok · estado: Prueba uno 1.0: no instalada\n"))
      << r.texto;
  EXPECT_TRUE(r.texto.ends_with("lista · paso 6/5 fin 100% \nFIN lista\n"));
  ASSERT_EQ(servidor.peticionesDe("feed").size(), 1u);
  EXPECT_EQ(servidor.peticionesDe("feed")[0].cabecera("X-Orvo-Token"), "tok-1");
  EXPECT_TRUE(fs::exists(m.t / "apps/Prueba uno.app/Contents/MacOS/uno"));

  // A session the server no longer knows: no manifest, nothing installed.
  servicio.manifiesto("otro", "{}");
  m.t.escribir("datos/sesion.json", Json{{servidor.base(), "vencido"}}.dump());
  r = m.instalar("uno");
  EXPECT_EQ(r.estado, 1);
  EXPECT_TRUE(r.texto.starts_with("fuente: Tu sesión terminó")) << r.texto;
  EXPECT_TRUE(r.texto.ends_with("FIN sin app\n")) << r.texto;
}
