// The test-install mode of the real binary: no display, one installation from a local
// folder or from the signed-in test server, progress lines on standard output and the
// outcome in the exit status. Updates of a running app are in the kill campaign.
#include <gtest/gtest.h>

#include "apoyo/proxy_prueba.h"
#include "apoyo/servidor_prueba.h"
#include "programa/maquina.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

TEST(PruebaInstalar, DesdeUnaCarpetaLocal) {
  Maquina m;
  auto fuente = m.t / "fuente";
  auto uno = empaquetarApp(m.t / "obra", fuente, "uno", "1.0");
  auto rota = uno;
  rota.id = "rota";
  rota.url = "falta.zip";
  m.manifiesto(fuente, {uno, rota});
  m.fuente(fuente.string());

  auto r = m.instalar("uno");
  EXPECT_EQ(r.estado, 0) << r.texto;
  EXPECT_EQ(r.texto,
            "fuente: ok · estado: Prueba uno 1.0: no instalada; Prueba uno 1.0: no instalada\n"
            "corriendo · paso 1/5 Descargar 0% \n"
            "corriendo · paso 1/5 Descargar 100% \n"
            "corriendo · paso 2/5 Verificar la descarga 0% \n"
            "corriendo · paso 3/5 Instalar en Aplicaciones 0% \n"
            "corriendo · paso 4/5 Registrar en Linux 0% \n"
            "corriendo · paso 5/5 Abrir Prueba uno 0% \n"
            "lista · paso 6/5 fin 100% \n"
            "FIN lista\n");
  EXPECT_TRUE(fs::exists(m.t / ("xdg/applications/orvo-" + bundleDePrueba("uno") + ".desktop")));
  EXPECT_TRUE(fs::is_empty(m.t / "tmp"));
  EXPECT_FALSE(fs::exists(m.t / "datos/respaldo/Prueba uno.app"));

  // Same bundle as "uno", now installed: an update, whose archive is missing.
  r = m.instalar("rota");
  EXPECT_EQ(r.estado, 1);
  EXPECT_TRUE(r.texto.ends_with(
      "error · paso 1/6 Descargar la versión nueva 0% No encuentro el archivo falta.zip en la "
      "fuente\nFIN error\n"))
      << r.texto;
  r = m.instalar("nadie");
  EXPECT_EQ(r.estado, 1);
  EXPECT_TRUE(r.texto.ends_with("FIN sin app\n")) << r.texto;
}

// The token goes to its own origin only: a redirect within it keeps it, one to another
// server drops it, and the download still completes from there. Behind a proxy on
// 127.0.0.1 every request goes through it, whether the environment names the proxy or the
// desktop's settings do (GNOME's, read by GIO from a settings file of the test's own); a
// proxy that refuses is named. Without a session the line says what is missing.
TEST(PruebaInstalar, DesdeElServidorPorElProxyYElTokenSoloASuOrigen) {
  Maquina m;
  ServidorPrueba origen, otro;
  auto uno = empaquetarApp(m.t / "obra", m.t / "zips", "uno", "1.0", "#!/bin/sh\nsleep 30\n");
  otro.publicar("/uno.zip", {.datos = *leerArchivo(m.t / "zips/uno.zip")});
  origen.alRuta("/uno.zip", [](auto&) { return redirigir("/aqui.zip"); });
  origen.alRuta("/aqui.zip", [&](auto&) { return redirigir(otro.base() + "uno.zip"); });
  origen.alAccion("feed", [&](const PeticionRecibida& p) {
    if (p.cabecera("X-Orvo-Token") != "secreto") return RespuestaPrueba{401, "{}"};
    return RespuestaPrueba{200, manifiestoDe({uno})};
  });
  m.fuente(origen.base());
  m.t.escribir("datos/sesion.json", Json{{origen.base(), "secreto"}}.dump());
  {
    Corrida r(m.entorno("uno"));
    ASSERT_TRUE(r.esperarLinea(
        [](const std::string& l) { return l.find("Abrir") != std::string::npos; }, 60))
        << r.texto;
  }
  auto deOrigen = origen.peticiones();
  ASSERT_GE(deOrigen.size(), 3u);
  for (const auto& p : deOrigen) EXPECT_EQ(p.cabecera("X-Orvo-Token"), "secreto") << p.ruta;
  ASSERT_EQ(otro.peticiones().size(), 1u);
  EXPECT_EQ(otro.peticiones()[0].cabecera("X-Orvo-Token"), "");
  EXPECT_TRUE(fs::exists(m.t / "apps/Prueba uno.app/Contents/MacOS/uno"));

  // GNOME's proxy settings; its default would let 127.0.0.0/8 go direct.
  ProxyPrueba proxy;
  m.t.escribir("config/glib-2.0/settings/keyfile",
               "[system/proxy]\nmode='manual'\nignore-hosts=@as []\n\n[system/proxy/http]\n"
               "host='127.0.0.1'\nport=" +
                   std::to_string(proxy.puerto()) + "\n");
  const std::string sinProxies =
      "env -u http_proxy -u https_proxy -u HTTPS_PROXY -u all_proxy -u ALL_PROXY -u no_proxy "
      "-u NO_PROXY ";
  const std::string escritorio = sinProxies +
                                 "XDG_CURRENT_DESKTOP=GNOME GIO_USE_PROXY_RESOLVER=gnome "
                                 "GSETTINGS_BACKEND=keyfile XDG_CONFIG_HOME=" +
                                 (m.t / "config").string();
  const std::vector<std::string> porElProxy{
      "POST " + origen.base() + "api.php?a=feed", "GET " + origen.base() + "uno.zip",
      "GET " + origen.base() + "aqui.zip", "GET " + otro.base() + "uno.zip"};
  // Last, the user reads the refusing proxy's status and what to try, and nothing is
  // installed.
  for (auto [entorno, rechazo] : {std::pair{sinProxies + "http_proxy=" + proxy.url(), 0},
                                  {escritorio, 0},
                                  {escritorio, 407}}) {
    matarAppsDe(m.t.ruta());
    fs::remove_all(m.t / "apps");
    auto antes = proxy.pedidas().size();
    if (rechazo) proxy.rechazarCon(rechazo);
    auto r = m.instalar("uno", entorno);
    EXPECT_EQ(r.estado, rechazo ? 1 : 0) << r.texto;
    auto pedidas = proxy.pedidas();
    if (!rechazo)
      EXPECT_EQ(std::vector(pedidas.begin() + long(antes), pedidas.end()), porElProxy) << entorno;
    else
      EXPECT_NE(r.texto.find("El servidor respondió con un error (407). El proxy de la red pide "
                             "usuario y contraseña"),
                std::string::npos)
          << r.texto;
    EXPECT_EQ(fs::exists(m.t / "apps/Prueba uno.app"), !rechazo);
  }
  // No token at all: the server was never asked, and the line says why.
  fs::remove(m.t / "datos/sesion.json");
  auto r = m.instalar("uno");
  EXPECT_TRUE(r.texto.starts_with("fuente: hace falta iniciar sesión en " + origen.base()))
      << r.texto;
}
