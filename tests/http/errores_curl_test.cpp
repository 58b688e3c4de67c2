// The failures the loopback server cannot easily produce still read as Spanish fragments,
// each with what to try where the user can act.
#include <gtest/gtest.h>

#include <cerrno>

#include "plataforma/linux/errores_curl.h"

using orvo::describirFalloCurl;

TEST(ErroresCurl, TextosSinCurlDeFondo) {
  EXPECT_EQ(describirFalloCurl(CURLE_COULDNT_RESOLVE_HOST),
            "no encontré el servidor. Revisa que la dirección esté bien escrita y que este "
            "equipo tenga conexión a internet.");
  EXPECT_EQ(describirFalloCurl(CURLE_COULDNT_CONNECT, {.host = "h", .errnoSistema = ENETUNREACH}),
            "no hay conexión a la red. Revisa que este equipo tenga conexión a internet.");
  EXPECT_EQ(describirFalloCurl(CURLE_COULDNT_CONNECT),
            "no pude abrir la conexión con el servidor. Revisa que este equipo tenga conexión a "
            "internet.");
  EXPECT_EQ(describirFalloCurl(CURLE_SSL_CERTPROBLEM), "falló la conexión segura (TLS)");
  EXPECT_EQ(describirFalloCurl(CURLE_GOT_NOTHING), "el servidor cerró la conexión sin responder");
  EXPECT_EQ(describirFalloCurl(CURLE_TFTP_NOSUCHUSER), "error de red (código 74)");
  EXPECT_EQ(describirFalloCurl(CURLE_WRITE_ERROR), "no pude guardar lo recibido");
}

// Behind a proxy, a failure to reach it, or its refusal, names the proxy and never blames
// the server; a cut connection says it went through the proxy.
TEST(ErroresCurl, ConProxyLoNombran) {
  const std::string revisa =
      ". Revisa los ajustes de proxy del sistema o las variables http_proxy y https_proxy.";
  EXPECT_EQ(describirFalloCurl(CURLE_COULDNT_CONNECT,
                               {.host = "h", .errnoSistema = ECONNREFUSED, .proxy = "p:3128"}),
            "no pude conectarme al proxy de la red p:3128" + revisa);
  EXPECT_EQ(describirFalloCurl(CURLE_COULDNT_RESOLVE_PROXY, {.proxy = "p.invalid:1"}),
            "no encontré el proxy de la red p.invalid:1" + revisa);
  EXPECT_EQ(describirFalloCurl(CURLE_RECV_ERROR, {.proxy = "p:1"}),
            "se cortó la conexión con el servidor (a través del proxy p:1)");
  // The answer to CONNECT decides, whatever code curl gave.
  EXPECT_EQ(describirFalloCurl(CURLE_RECV_ERROR, {.proxy = "p:1", .respuestaProxy = 403}),
            "el proxy de la red no dejó pasar la conexión (403). Pide a quien administra la red "
            "que permita llegar a este servidor.");
  EXPECT_TRUE(describirFalloCurl(CURLE_RECV_ERROR, {.respuestaProxy = 407})
                  .starts_with("el proxy de la red pide usuario y contraseña (407). "));
}
