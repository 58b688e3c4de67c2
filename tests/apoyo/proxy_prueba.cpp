#include "apoyo/proxy_prueba.h"

#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>
#include <stdexcept>

namespace orvo::prueba {

namespace {

constexpr int kVuelta = 100;  // ms between looks at `cerrando_`

bool enviarTodo(int fd, const std::string& datos) {
  for (size_t hecho = 0; hecho < datos.size();) {
    ssize_t n = ::send(fd, datos.data() + hecho, datos.size() - hecho, MSG_NOSIGNAL);
    if (n <= 0) return false;
    hecho += static_cast<size_t>(n);
  }
  return true;
}

// Reads up to the blank line that ends a head; what came after it stays in `resto`.
bool leerCabeza(int fd, const std::atomic<bool>& cerrando, std::string& cabeza,
                std::string& resto) {
  std::string leido;
  char buf[8192];
  for (int vueltas = 0; vueltas < 100 && !cerrando; ++vueltas) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, kVuelta) <= 0) continue;
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return false;
    leido.append(buf, static_cast<size_t>(n));
    if (auto fin = leido.find("\r\n\r\n"); fin != std::string::npos) {
      cabeza = leido.substr(0, fin + 2);
      resto = leido.substr(fin + 4);
      return true;
    }
  }
  return false;
}

// The head without the hop-by-hop headers a proxy must not pass on, ending in
// "Connection: close" and the blank line.
std::string sinSaltos(const std::string& cabeza, const std::string& primera) {
  std::istringstream lineas(cabeza);
  std::string linea, r = primera + "\r\n";
  std::getline(lineas, linea);
  while (std::getline(lineas, linea)) {
    if (!linea.empty() && linea.back() == '\r') linea.pop_back();
    if (linea.empty()) continue;
    auto nombre = linea.substr(0, linea.find(':'));
    if (strcasecmp(nombre.c_str(), "Connection") == 0 ||
        strcasecmp(nombre.c_str(), "Proxy-Connection") == 0 ||
        strcasecmp(nombre.c_str(), "Keep-Alive") == 0 ||
        strcasecmp(nombre.c_str(), "Proxy-Authorization") == 0)
      continue;
    r += linea + "\r\n";
  }
  return r + "Connection: close\r\n\r\n";
}

// The rest of a request body announced by Content-Length, read before the answer is awaited.
bool completarCuerpo(int fd, const std::atomic<bool>& cerrando, const std::string& cabeza,
                     std::string& cuerpo) {
  size_t largo = 0;
  std::istringstream lineas(cabeza);
  for (std::string linea; std::getline(lineas, linea);)
    if (strncasecmp(linea.c_str(), "Content-Length:", 15) == 0)
      largo = std::stoul(linea.substr(15));
  char buf[8192];
  for (int vueltas = 0; cuerpo.size() < largo && vueltas < 100 && !cerrando; ++vueltas) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, kVuelta) <= 0) continue;
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return false;
    cuerpo.append(buf, static_cast<size_t>(n));
  }
  return cuerpo.size() >= largo;
}

int conectar(const std::string& host, const std::string& puerto) {
  addrinfo pista{};
  pista.ai_socktype = SOCK_STREAM;
  addrinfo* lista = nullptr;
  if (::getaddrinfo(host.c_str(), puerto.c_str(), &pista, &lista) != 0) return -1;
  int fd = -1;
  for (auto* a = lista; a && fd < 0; a = a->ai_next) {
    fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd >= 0 && ::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(lista);
  return fd;
}

}  // namespace

ProxyPrueba::ProxyPrueba() {
  escucha_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in dir{};
  dir.sin_family = AF_INET;
  dir.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t largo = sizeof dir;
  if (escucha_ < 0 || ::bind(escucha_, reinterpret_cast<sockaddr*>(&dir), sizeof dir) != 0 ||
      ::listen(escucha_, 16) != 0 ||
      ::getsockname(escucha_, reinterpret_cast<sockaddr*>(&dir), &largo) != 0)
    throw std::runtime_error("el proxy de prueba no pudo escuchar");
  puerto_ = ntohs(dir.sin_port);
  hilo_ = std::thread([this] { aceptar(); });
}

ProxyPrueba::~ProxyPrueba() {
  cerrando_ = true;
  hilo_.join();
  for (auto& c : conexiones_) c.join();
  ::close(escucha_);
}

std::string ProxyPrueba::url() const { return "http://127.0.0.1:" + std::to_string(puerto_); }

std::vector<std::string> ProxyPrueba::pedidas() const {
  std::lock_guard l(m_);
  return pedidas_;
}

void ProxyPrueba::aceptar() {
  while (!cerrando_) {
    pollfd p{escucha_, POLLIN, 0};
    if (::poll(&p, 1, kVuelta) <= 0) continue;
    int cliente = ::accept4(escucha_, nullptr, nullptr, SOCK_CLOEXEC);
    if (cliente >= 0) conexiones_.emplace_back([this, cliente] { atender(cliente); });
  }
}

void ProxyPrueba::atender(int cliente) {
  std::string cabeza, resto;
  if (!leerCabeza(cliente, cerrando_, cabeza, resto)) return (void)::close(cliente);
  std::istringstream primera(cabeza.substr(0, cabeza.find("\r\n")));
  std::string metodo, destino, version;
  primera >> metodo >> destino >> version;
  {
    std::lock_guard l(m_);
    pedidas_.push_back(metodo + " " + destino);
  }
  int origen = -1;
  std::string ruta;
  if (rechazo_ == 0 && metodo != "CONNECT" && destino.starts_with("http://")) {
    auto barra = destino.find('/', 7);
    auto autoridad = destino.substr(7, barra == std::string::npos ? barra : barra - 7);
    ruta = barra == std::string::npos ? "/" : destino.substr(barra);
    auto dosPuntos = autoridad.rfind(':');
    origen = dosPuntos == std::string::npos
                 ? conectar(autoridad, "80")
                 : conectar(autoridad.substr(0, dosPuntos), autoridad.substr(dosPuntos + 1));
  }
  if (origen < 0) {
    int estado = rechazo_ ? rechazo_.load() : 502;
    std::string extra = estado == 407 ? "Proxy-Authenticate: Basic realm=\"prueba\"\r\n" : "";
    enviarTodo(cliente, "HTTP/1.1 " + std::to_string(estado) + " Rechazada\r\n" + extra +
                            "Content-Length: 0\r\nConnection: close\r\n\r\n");
    return (void)::close(cliente);
  }
  bool bien = completarCuerpo(cliente, cerrando_, cabeza, resto) &&
              enviarTodo(origen, sinSaltos(cabeza, metodo + " " + ruta + " " + version) + resto);
  // The answer's head gets "Connection: close" too, so the client never reuses this link.
  std::string respuesta;
  if (bien && leerCabeza(origen, cerrando_, cabeza, respuesta))
    bien =
        enviarTodo(cliente, sinSaltos(cabeza, cabeza.substr(0, cabeza.find("\r\n"))) + respuesta);
  char buf[65536];
  while (bien && !cerrando_) {
    pollfd p[2] = {{cliente, POLLIN, 0}, {origen, POLLIN, 0}};
    if (::poll(p, 2, kVuelta) <= 0) continue;
    for (int i = 0; i < 2 && bien; ++i) {
      if (!p[i].revents) continue;
      ssize_t n = ::recv(p[i].fd, buf, sizeof buf, 0);
      bien = n > 0 && enviarTodo(p[1 - i].fd, std::string(buf, static_cast<size_t>(n)));
    }
  }
  ::close(origen);
  ::close(cliente);
}

}  // namespace orvo::prueba
