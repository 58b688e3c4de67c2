#include "apoyo/proxy_prueba.h"

#include <arpa/inet.h>
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
// "Connection: close" and the blank line: the origin then closes after its answer, so the
// client never reuses this link for a request the proxy would not see.
std::string sinSaltos(const std::string& cabeza, const std::string& primera) {
  std::istringstream lineas(cabeza);
  std::string linea, r = primera + "\r\n";
  std::getline(lineas, linea);
  while (std::getline(lineas, linea)) {
    auto nombre = linea.substr(0, linea.find(':'));
    bool salto = linea.empty() || linea == "\r";
    for (const char* h : {"Connection", "Proxy-Connection", "Keep-Alive", "Proxy-Authorization"})
      salto = salto || strcasecmp(nombre.c_str(), h) == 0;
    if (!salto) r += linea + "\n";
  }
  return r + "Connection: close\r\n\r\n";
}

// Origins are the tests' own servers, on the loopback only.
int conectar(const std::string& autoridad) {
  auto dosPuntos = autoridad.rfind(':');
  sockaddr_in dir{};
  dir.sin_family = AF_INET;
  dir.sin_port = htons(dosPuntos == std::string::npos
                           ? 80
                           : static_cast<uint16_t>(std::stoi(autoridad.substr(dosPuntos + 1))));
  if (::inet_pton(AF_INET, autoridad.substr(0, dosPuntos).c_str(), &dir.sin_addr) != 1 ||
      (ntohl(dir.sin_addr.s_addr) >> 24) != 127)
    return -1;
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&dir), sizeof dir) != 0) {
    ::close(fd);
    fd = -1;
  }
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
  auto barra = destino.find('/', 7);
  if (rechazo_ == 0 && metodo != "CONNECT" && destino.starts_with("http://"))
    origen = conectar(destino.substr(7, barra == std::string::npos ? barra : barra - 7));
  if (origen < 0) {
    int estado = rechazo_ ? rechazo_.load() : 502;
    std::string extra = estado == 407 ? "Proxy-Authenticate: Basic realm=\"prueba\"\r\n" : "";
    enviarTodo(cliente, "HTTP/1.1 " + std::to_string(estado) + " Rechazada\r\n" + extra +
                            "Content-Length: 0\r\nConnection: close\r\n\r\n");
    return (void)::close(cliente);
  }
  auto ruta = barra == std::string::npos ? "/" : destino.substr(barra);
  bool bien = enviarTodo(origen, sinSaltos(cabeza, metodo + " " + ruta + " " + version) + resto);
  // The rest of the body one way, the answer the other, until either side closes.
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
