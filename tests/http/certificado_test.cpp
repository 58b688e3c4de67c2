// A real TLS server whose certificate nobody vouches for: the request fails, and says so
// in terms the user can act on.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "apoyo/carpeta_temporal.h"
#include "apoyo/entorno_proxy.h"
#include "apoyo/ordenes.h"
#include "apoyo/pedir_http.h"
#include "plataforma/linux/http_curl.h"

using namespace orvo;
using namespace orvo::prueba;

TEST(Certificado, UnoSinConfianzaDiceQueRevisar) {
  CarpetaTemporal t;
  auto hecho = ejecutar(
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 "
      "-nodes -subj /CN=127.0.0.1 -days 1 -keyout " +
      (t / "clave.pem").string() + " -out " + (t / "cert.pem").string() + " 2>&1");
  ASSERT_EQ(hecho.estado, 0) << hecho.texto;
  // A port the system just handed out and nobody holds.
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in dir{};
  dir.sin_family = AF_INET;
  dir.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t largo = sizeof dir;
  bind(s, reinterpret_cast<sockaddr*>(&dir), sizeof dir);
  getsockname(s, reinterpret_cast<sockaddr*>(&dir), &largo);
  close(s);
  auto accept = "127.0.0.1:" + std::to_string(ntohs(dir.sin_port));
  pid_t servidor = fork();
  if (servidor == 0) {
    execlp("openssl", "openssl", "s_server", "-quiet", "-www", "-accept", accept.c_str(), "-cert",
           (t / "cert.pem").c_str(), "-key", (t / "clave.pem").c_str(), nullptr);
    _exit(127);
  }

  EntornoProxy sinProxy;
  HttpCurl http;
  PeticionHttp p;
  p.url = "https://" + accept + "/";
  p.espera = 10;
  RespuestaHttp r;
  // Until the server listens, the connection is refused.
  for (int i = 0; i < 100; ++i) {
    r = pedirYEsperar(http, p);
    if (!r.error || !r.error->starts_with("el servidor rechazó")) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(servidor, SIGTERM);
  waitpid(servidor, nullptr, 0);
  EXPECT_FALSE(r.estado);
  EXPECT_EQ(r.error.value_or(""),
            "no pude verificar el certificado del servidor (TLS). Revisa que la fecha y la hora "
            "del equipo sean correctas; si la red usa un proxy que inspecciona las conexiones, "
            "instala su certificado en el sistema.");
}
