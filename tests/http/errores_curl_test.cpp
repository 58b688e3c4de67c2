// The failures the loopback server cannot easily produce still read as Spanish fragments.
#include <gtest/gtest.h>

#include <cerrno>

#include "plataforma/linux/errores_curl.h"

using orvo::describirFalloCurl;

TEST(ErroresCurl, TextosSinCurlDeFondo) {
  EXPECT_EQ(describirFalloCurl(CURLE_COULDNT_RESOLVE_HOST, "ejemplo.example"),
            "no encontré el servidor ejemplo.example");
  EXPECT_EQ(describirFalloCurl(CURLE_COULDNT_RESOLVE_HOST), "no encontré el servidor");
  EXPECT_EQ(describirFalloCurl(CURLE_COULDNT_CONNECT, "h", ENETUNREACH),
            "no hay conexión a la red");
  EXPECT_EQ(describirFalloCurl(CURLE_COULDNT_CONNECT), "no pude abrir la conexión con el servidor");
  EXPECT_EQ(describirFalloCurl(CURLE_PEER_FAILED_VERIFICATION),
            "no pude verificar el certificado del servidor (TLS)");
  EXPECT_EQ(describirFalloCurl(CURLE_SSL_CERTPROBLEM), "falló la conexión segura (TLS)");
  EXPECT_EQ(describirFalloCurl(CURLE_GOT_NOTHING), "el servidor cerró la conexión sin responder");
  EXPECT_EQ(describirFalloCurl(CURLE_RECV_ERROR), "se cortó la conexión con el servidor");
  EXPECT_EQ(describirFalloCurl(CURLE_TFTP_NOSUCHUSER), "error de red (código 74)");
}
