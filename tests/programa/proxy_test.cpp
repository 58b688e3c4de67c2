// The real binary behind a proxy on 127.0.0.1: the feed and the app's download both go
// through it, whether the environment names the proxy or the desktop's settings do (GNOME's,
// read by GIO from a settings file of the test's own); a proxy that refuses is named.
#include <gtest/gtest.h>

#include "apoyo/proxy_prueba.h"
#include "apoyo/servicio_prueba.h"
#include "programa/maquina.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

TEST(ProxyPrograma, ElDelEntornoYElDeLosAjustesDelEscritorio) {
  Maquina m;
  ServidorPrueba servidor;
  ServicioPrueba servicio(servidor);
  ProxyPrueba proxy;
  auto uno = empaquetarApp(m.t / "obra", m.t / "zips", "uno", "1.0");
  servidor.publicar("/uno.zip", {.datos = *leerArchivo(m.t / "zips/uno.zip")});
  servicio.manifiesto("tok", manifiestoDe({uno}));
  servicio.clienteEn(m.t / "datos", "tok");
  // GNOME's proxy settings; its default would let 127.0.0.0/8 go direct.
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
  const std::vector<std::string> porElProxy{"POST " + servidor.base() + "api.php?a=feed",
                                            "GET " + servidor.base() + "uno.zip"};

  for (const auto& entorno : {sinProxies + "http_proxy=" + proxy.url(), escritorio}) {
    matarAppsDe(m.t.ruta());
    fs::remove_all(m.t / "apps");
    auto antes = proxy.pedidas().size();
    auto r = m.instalar("uno", entorno);
    EXPECT_EQ(r.estado, 0) << r.texto;
    auto pedidas = proxy.pedidas();
    EXPECT_EQ(std::vector(pedidas.begin() + long(antes), pedidas.end()), porElProxy) << entorno;
    EXPECT_TRUE(fs::exists(m.t / "apps/Prueba uno.app"));
  }

  // A proxy that refuses: the user reads the proxy's status and what to try, and nothing
  // is installed.
  matarAppsDe(m.t.ruta());
  fs::remove_all(m.t / "apps");
  proxy.rechazarCon(407);
  auto r = m.instalar("uno", escritorio);
  EXPECT_EQ(r.estado, 1);
  EXPECT_NE(r.texto.find("El servidor respondió con un error (407). El proxy de la red pide "
                         "usuario y contraseña"),
            std::string::npos)
      << r.texto;
  EXPECT_FALSE(fs::exists(m.t / "apps/Prueba uno.app"));
}
