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
  // The refusals of a real proxy are in proxy_test.cpp.
  EXPECT_EQ(describirFalloCurl(CURLE_RECV_ERROR, {.proxy = "p:1"}),
            "se cortó la conexión con el servidor (a través del proxy p:1)");
}
