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

namespace {

int puertoLibre() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in dir{};
  dir.sin_family = AF_INET;
  dir.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t largo = sizeof dir;
  bind(s, reinterpret_cast<sockaddr*>(&dir), sizeof dir);
  getsockname(s, reinterpret_cast<sockaddr*>(&dir), &largo);
  close(s);
  return ntohs(dir.sin_port);
}

bool escucha(int puerto) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in dir{};
  dir.sin_family = AF_INET;
  dir.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  dir.sin_port = htons(static_cast<uint16_t>(puerto));
  bool si = connect(s, reinterpret_cast<sockaddr*>(&dir), sizeof dir) == 0;
  close(s);
  return si;
}

}  // namespace

TEST(Certificado, UnoSinConfianzaDiceQueRevisar) {
  CarpetaTemporal t;
  auto hecho = ejecutar(
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 "
      "-nodes -subj /CN=127.0.0.1 -days 1 -keyout " +
      (t / "clave.pem").string() + " -out " + (t / "cert.pem").string() + " 2>&1");
  ASSERT_EQ(hecho.estado, 0) << hecho.texto;
  int puerto = puertoLibre();
  auto accept = "127.0.0.1:" + std::to_string(puerto);
  pid_t servidor = fork();
  if (servidor == 0) {
    execlp("openssl", "openssl", "s_server", "-quiet", "-www", "-accept", accept.c_str(), "-cert",
           (t / "cert.pem").c_str(), "-key", (t / "clave.pem").c_str(), nullptr);
    _exit(127);
  }
  for (int i = 0; i < 100 && !escucha(puerto); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

  EntornoProxy sinProxy;
  HttpCurl http;
  PeticionHttp p;
  p.url = "https://" + accept + "/";
  p.espera = 10;
  auto r = pedirYEsperar(http, p);
  kill(servidor, SIGTERM);
  waitpid(servidor, nullptr, 0);
  EXPECT_FALSE(r.estado);
  EXPECT_EQ(r.error.value_or(""),
            "no pude verificar el certificado del servidor (TLS). Revisa que la fecha y la hora "
            "del equipo sean correctas; si la red usa un proxy que inspecciona las conexiones, "
            "instala su certificado en el sistema.");
}
