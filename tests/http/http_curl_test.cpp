// The real session against the loopback test server: what goes out, what comes back,
// how failures read, and that every request completes exactly once off the caller.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <set>
#include <thread>

#include "apoyo/bundles_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/entorno_proxy.h"
#include "apoyo/pedir_http.h"
#include "apoyo/servidor_prueba.h"
#include "apoyo/tmpfs.h"
#include "plataforma/linux/http_curl.h"

using namespace orvo;
using namespace orvo::prueba;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

static PeticionHttp get(const std::string& url, size_t limite = 32u << 20) {
  return {.url = url, .limiteCuerpo = limite};
}

// What goes out exactly, redirects curl follows itself, and many requests at once.
TEST(HttpCurl, PeticionesExactasRedireccionesYMuchasALaVezEnElHiloDeLaSesion) {
  ServidorPrueba s;
  s.alAccion("login", [](const PeticionRecibida&) { return RespuestaPrueba{200, R"({"ok":1})"}; });
  s.alRuta("/salto", [](const PeticionRecibida&) { return redirigir("/destino"); });
  s.alRuta("/destino", [](const PeticionRecibida&) { return RespuestaPrueba{200, "llegué"}; });
  s.alRuta("/eco", [](const PeticionRecibida& p) { return RespuestaPrueba{200, p.cuerpo}; });
  HttpCurl http;
  PeticionHttp p{.metodo = "POST",
                 .url = s.base() + "api.php?a=login",
                 .cabeceras = {{"Content-Type", "application/json"}, {"X-Orvo-Token", "t 1"}},
                 .cuerpo = std::string("{\"a\":\"ñ\"}\0\r\nfin", 16),
                 .sinCache = true};
  auto r = pedirYEsperar(http, p);
  EXPECT_EQ(r.estado, 200);
  EXPECT_EQ(r.cuerpo, R"({"ok":1})");
  auto q = s.peticiones().at(0);
  EXPECT_EQ(q.metodo, "POST");
  EXPECT_EQ(q.cuerpo, *p.cuerpo);
  EXPECT_EQ(q.cabecera("Content-Type"), "application/json");
  EXPECT_EQ(q.cabecera("Cache-Control"), "no-cache");
  EXPECT_EQ(q.cabecera("Pragma"), "no-cache");
  EXPECT_EQ(q.cabeceras.count("Expect"), 0u);
  // No body: POST says it is empty; without sinCache no cache headers; no form type.
  p.cuerpo.reset();
  p.cabeceras.clear();
  p.sinCache = false;
  EXPECT_EQ(pedirYEsperar(http, p).estado, 200);
  q = s.peticiones().back();
  EXPECT_EQ(q.cabecera("Content-Length"), "0");
  for (const char* c : {"Content-Type", "Cache-Control", "Pragma"})
    EXPECT_EQ(q.cabeceras.count(c), 0u) << c;

  EXPECT_EQ(pedirYEsperar(http, get(s.base() + "salto")).cuerpo, "llegué");

  // Many at once from several threads: each completes once, all on the session's thread
  // (five callers would be five threads).
  constexpr int hilos = 5, porHilo = 10;
  std::mutex m;
  std::condition_variable cv;
  std::map<int, std::vector<std::string>> cuerpos;
  std::set<std::thread::id> hilosListo;
  std::vector<std::thread> emisores;
  for (int h = 0; h < hilos; ++h)
    emisores.emplace_back([&, h] {
      for (int id = h * porHilo; id < (h + 1) * porHilo; ++id) {
        PeticionHttp eco{.metodo = "POST", .url = s.base() + "eco", .cuerpo = std::to_string(id)};
        http.enviar(eco, [&, id](RespuestaHttp r) {
          std::lock_guard l(m);
          cuerpos[id].push_back(r.cuerpo);
          hilosListo.insert(std::this_thread::get_id());
          cv.notify_all();
        });
      }
    });
  for (auto& e : emisores) e.join();
  // One more from inside a completion: the session takes new work from its own thread.
  std::promise<int> encadenada;
  http.enviar(get(s.base() + "eco"), [&](RespuestaHttp) {
    http.enviar(get(s.base() + "eco"), [&](RespuestaHttp r) { encadenada.set_value(*r.estado); });
  });
  auto f = encadenada.get_future();
  ASSERT_EQ(f.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(f.get(), 200);

  std::unique_lock l(m);
  ASSERT_TRUE(cv.wait_for(l, 10s, [&] { return int(cuerpos.size()) == hilos * porHilo; }));
  for (const auto& [id, c] : cuerpos) EXPECT_EQ(c, std::vector{std::to_string(id)}) << id;
  ASSERT_EQ(hilosListo.size(), 1u);
  EXPECT_NE(*hilosListo.begin(), std::this_thread::get_id());
}

TEST(HttpCurl, ElLimiteDelCuerpoEnMemoriaEnArchivoYEnUnDiscoLleno) {
  ServidorPrueba s;
  // The server stops after 300 KB and holds the connection: only a client that gives up
  // at the limit answers before the time-out.
  s.publicar(
      "/grande",
      {.datos = std::string(1 << 20, 'x'), .detenerTras = 300 << 10, .detencionesRestantes = 1});
  const auto datos = bytesAlAzar(3 << 20);
  s.publicar("/a.zip", {.datos = datos});
  CarpetaTemporal t;
  HttpCurl http;

  auto r =
      pedirYEsperar(http, {.url = s.base() + "grande", .espera = 5, .limiteCuerpo = 100 << 10});
  EXPECT_TRUE(r.excedido);
  EXPECT_EQ(r.estado, 200);
  EXPECT_TRUE(r.cuerpo.empty());
  EXPECT_FALSE(r.error);
  // In memory and in a file, an answer of exactly the limit is whole, one byte more is not.
  r = pedirYEsperar(http, get(s.base() + "a.zip", datos.size()));
  EXPECT_FALSE(r.excedido);
  EXPECT_TRUE(r.cuerpo == datos);
  EXPECT_TRUE(pedirYEsperar(http, get(s.base() + "a.zip", datos.size() - 1)).excedido);

  r = pedirYEsperar(http, get(s.base() + "a.zip", datos.size()), t / "a.zip");
  EXPECT_FALSE(r.excedido);
  EXPECT_EQ(r.estado, 200);
  EXPECT_TRUE(r.cuerpo.empty());
  EXPECT_EQ(leer(t / "a.zip"), datos);
  EXPECT_EQ(fs::status(t / "a.zip").permissions(), fs::perms::owner_read | fs::perms::owner_write);
  // Over the limit, nothing stays behind, not even what was written so far.
  r = pedirYEsperar(http, get(s.base() + "a.zip", datos.size() - 1), t / "a.zip");
  EXPECT_TRUE(r.excedido);
  EXPECT_FALSE(fs::exists(t / "a.zip"));

  // A dead server, and a destination that cannot be created.
  r = pedirYEsperar(http, get("http://127.0.0.1:1/a.zip"), t / "b.zip");
  EXPECT_TRUE(r.error);
  EXPECT_FALSE(fs::exists(t / "b.zip"));
  r = pedirYEsperar(http, get(s.base() + "a.zip"), t / "no/hay/c.zip");
  EXPECT_EQ(r.error, "no pude guardar lo recibido");

  // A real small filesystem: the disk fills mid-transfer and the user is told so.
  Tmpfs chico(t / "chico", 1 << 20);
  if (!chico.montado()) GTEST_SKIP() << "montar tmpfs necesita root";
  r = pedirYEsperar(http, get(s.base() + "a.zip", 10 << 20), t / "chico/a.zip");
  EXPECT_EQ(r.error, "no queda espacio en el disco");
  EXPECT_FALSE(r.estado);
  EXPECT_FALSE(fs::exists(t / "chico/a.zip"));
}

// Every failure of the transport says what happened in words the user can act on; an
// unreachable server is told apart from one whose certificate nobody vouches for.
TEST(HttpCurl, FallosDeTransporteEnEspanol) {
  EntornoProxy sinProxy;
  std::atomic<bool> soltar{false};
  ServidorPrueba s;
  // Holds its answer until released or two seconds pass.
  s.alRuta("/lenta", [&](const PeticionRecibida&) {
    for (int i = 0; i < 100 && !soltar; ++i) std::this_thread::sleep_for(20ms);
    return RespuestaPrueba{200, "tarde"};
  });
  s.publicar("/cortado",
             {.datos = std::string(200000, 'z'), .cortarTras = 50000, .cortesRestantes = 1});
  s.publicar("/goteo", {.datos = std::string(3000, 'g'), .bytesPorSegundo = 1000});
  s.alRuta("/vuelta", [](const PeticionRecibida&) { return redirigir("/vuelta"); });
  // Bound but not listening: connecting is refused, and nobody else can take the port.
  auto atar = [](int sock) {
    sockaddr_in dir{};
    dir.sin_family = AF_INET;
    dir.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&dir), sizeof dir), 0);
    socklen_t largo = sizeof dir;
    getsockname(sock, reinterpret_cast<sockaddr*>(&dir), &largo);
    return "127.0.0.1:" + std::to_string(ntohs(dir.sin_port));
  };
  int sock = socket(AF_INET, SOCK_STREAM, 0);
  auto cerrado = atar(sock);
  // A real TLS server with a certificate of its own, on a port the system just handed out.
  CarpetaTemporal t;
  int libre = socket(AF_INET, SOCK_STREAM, 0);
  auto tls = atar(libre);
  close(libre);
  auto guion = t.escribir("tls.sh", "#!/bin/sh\ncd '" + t.ruta().string() +
                                        "' && openssl req -x509 -newkey ec -pkeyopt "
                                        "ec_paramgen_curve:prime256v1 -nodes -subj /CN=127.0.0.1 "
                                        "-days 1 -keyout clave.pem -out cert.pem 2>/dev/null && "
                                        "exec openssl s_server -quiet -www -accept " +
                                        tls + " -cert cert.pem -key clave.pem\n");
  fs::permissions(guion, fs::perms(0755));
  ProcesoPrueba servidorTls(guion);
  HttpCurl http;
  // Until the TLS server listens, the connection is refused.
  for (int i = 0; i < 200; ++i) {
    auto r = pedirYEsperar(http, {.url = "https://" + tls + "/", .espera = 10});
    if (!r.error || !r.error->starts_with("el servidor rechazó")) break;
    std::this_thread::sleep_for(50ms);
  }

  struct Caso {
    PeticionHttp peticion;
    std::string error;
  } casos[] = {
      {get("http://" + cerrado + "/"),
       "el servidor rechazó la conexión. Puede estar detenido o en mantenimiento: vuelve a "
       "intentarlo en unos minutos."},
      {get("http://nada.invalid/feed"),
       "no encontré el servidor nada.invalid. Revisa que la dirección esté bien escrita y que "
       "este equipo tenga conexión a internet."},
      {get("https://127.0.0.1:" + std::to_string(s.puerto()) + "/"),
       "falló la conexión segura (TLS)"},
      {{.url = "https://" + tls + "/", .espera = 10},
       "no pude verificar el certificado del servidor (TLS). Revisa que la fecha y la hora del "
       "equipo sean correctas; si la red usa un proxy que inspecciona las conexiones, instala "
       "su certificado en el sistema."},
      {get(s.base() + "cortado"), "la respuesta llegó incompleta"},
      {get(s.base() + "vuelta"), "el servidor redirigió demasiadas veces"},
      {get("no es una dirección"), "la dirección no es válida"},
      {get("ftp://127.0.0.1/"), "la dirección usa un protocolo no admitido"},
      {{.url = s.base(), .cabeceras = {{"X-A", "b\r\nX-Inyectada: 1"}}},
       "la petición lleva una cabecera no válida"},
      {{.metodo = "GET / HTTP/1.1\r\n", .url = s.base()}, "la petición usa un método no válido"},
      {{.url = s.base() + "lenta", .espera = 1},
       "se agotó el tiempo de espera. La red o el servidor van lentos: vuelve a intentarlo en "
       "unos minutos."},
  };
  for (const auto& [peticion, error] : casos) {
    auto r = pedirYEsperar(http, peticion);
    EXPECT_FALSE(r.estado) << peticion.url;
    EXPECT_TRUE(r.cuerpo.empty()) << peticion.url;
    EXPECT_EQ(r.error.value_or("(sin error)"), error);
  }
  // The limit is on silence: an answer that keeps coming for longer is an answer.
  auto goteo = pedirYEsperar(http, {.url = s.base() + "goteo", .espera = 1});
  EXPECT_EQ(goteo.estado, 200) << goteo.error.value_or("");
  EXPECT_EQ(goteo.cuerpo.size(), 3000u);

  // A session destroyed with requests queued and in flight neither waits for them nor
  // calls their completions.
  std::atomic<int> avisos{0};
  {
    HttpCurl otra;
    const auto antes = s.peticiones().size();
    for (int i = 0; i < 8; ++i)
      otra.enviar(get(s.base() + "lenta"), [&](RespuestaHttp) { ++avisos; });
    for (int i = 0; i < 100 && s.peticiones().size() == antes; ++i)
      std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(avisos, 0);
  soltar = true;
  close(sock);
}
