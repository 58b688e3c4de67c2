// The real binary behind a proxy on 127.0.0.1: the feed and the app's download both go
// through it, whether the environment names the proxy or the desktop's settings do (GNOME's,
// read by GIO from a settings file of the test's own).
#include <gtest/gtest.h>

#include "apoyo/app_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"
#include "apoyo/proxy_prueba.h"
#include "apoyo/servicio_prueba.h"
#include "comun/archivos.h"

using namespace orvo;
using namespace orvo::prueba;

namespace {

const char* const kSinProxies =
    "env -u http_proxy -u https_proxy -u HTTPS_PROXY -u all_proxy -u ALL_PROXY -u no_proxy "
    "-u NO_PROXY ";

struct Fuente {
  CarpetaTemporal t;
  ServidorPrueba servidor;
  ServicioPrueba servicio{servidor};
  ProxyPrueba proxy;

  Fuente() {
    auto uno = empaquetarApp(t / "obra", t / "zips", "uno", "1.0");
    servidor.publicar("/uno.zip", {.datos = *leerArchivo(t / "zips/uno.zip")});
    servicio.manifiesto(
        "tok",
        Json{{"formato", "orvo-suite/1"}, {"version", 1}, {"apps", Json::array({uno.aJson()})}}
            .dump());
    servicio.clienteEn(t / "datos", "tok");
  }
  ~Fuente() { matarAppsDe(t.ruta()); }

  Salida instalar(const std::string& entorno) {
    std::filesystem::create_directories(t / "tmp");
    return ejecutar(kSinProxies + entorno + " HOME=" + (t / "casa").string() +
                    " XDG_DATA_HOME=" + (t / "xdg").string() + " TMPDIR=" + (t / "tmp").string() +
                    " OV_DATOS=" + (t / "datos").string() + " OV_DESTINO=" + (t / "apps").string() +
                    " OV_PRUEBA_INSTALAR=uno " + ORVO_BINARIO + " 2>&1");
  }
  std::vector<std::string> porElProxy() {
    return {"POST " + servidor.base() + "api.php?a=feed", "GET " + servidor.base() + "uno.zip"};
  }
};

}  // namespace

TEST(ProxyPrograma, ElDelEntorno) {
  Fuente f;
  auto r = f.instalar("http_proxy=" + f.proxy.url());
  EXPECT_EQ(r.estado, 0) << r.texto;
  EXPECT_EQ(f.proxy.pedidas(), f.porElProxy());
  EXPECT_TRUE(std::filesystem::exists(f.t / "apps/Prueba uno.app"));
}

TEST(ProxyPrograma, ElDeLosAjustesDelEscritorio) {
  Fuente f;
  // GNOME's proxy settings; its default would let 127.0.0.0/8 go direct.
  f.t.escribir("config/glib-2.0/settings/keyfile",
               "[system/proxy]\nmode='manual'\nignore-hosts=@as []\n\n[system/proxy/http]\n"
               "host='127.0.0.1'\nport=" +
                   std::to_string(f.proxy.puerto()) + "\n");
  auto escritorio =
      "XDG_CURRENT_DESKTOP=GNOME GIO_USE_PROXY_RESOLVER=gnome "
      "GSETTINGS_BACKEND=keyfile XDG_CONFIG_HOME=" +
      (f.t / "config").string();
  auto r = f.instalar(escritorio);
  EXPECT_EQ(r.estado, 0) << r.texto;
  EXPECT_EQ(f.proxy.pedidas(), f.porElProxy());

  // A proxy that refuses: the user reads the proxy's status and what to try, and nothing
  // is installed.
  matarAppsDe(f.t.ruta());
  std::filesystem::remove_all(f.t / "apps");
  f.proxy.rechazarCon(407);
  r = f.instalar(escritorio);
  EXPECT_EQ(r.estado, 1);
  EXPECT_NE(r.texto.find("El servidor respondió con un error (407). El proxy de la red pide "
                         "usuario y contraseña"),
            std::string::npos)
      << r.texto;
  EXPECT_FALSE(std::filesystem::exists(f.t / "apps/Prueba uno.app"));
}
