#include "plataforma/linux/tramos_curl.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#include "plataforma/linux/errores_curl.h"
#include "plataforma/linux/redireccion.h"
#include "plataforma/linux/transferencia_descarga.h"

namespace orvo {

namespace {

constexpr int kEnVuelo = 4;  // requests at once for one file
constexpr double kCadaAvance = 0.1;

double segundos() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

DescargasCurl::Tramos::~Tramos() {
  if (fd >= 0) ::close(fd);
}

void DescargasCurl::Tramos::avisar() {
  double ahora = segundos();
  if (!avance || ahora - ultimoAviso < kCadaAvance) return;
  ultimoAviso = ahora;
  bucle->enPrincipal([avance = avance, n = recibidos] { avance(n); });
}

long DescargasCurl::EnVuelo::estado() const {
  long e = 0;
  curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &e);
  return e;
}

std::optional<std::string> DescargasCurl::EnVuelo::preparar() {
  if (!easy) return "no hubo memoria suficiente";
  if (auto fallo = configurarPeticion(easy.get(), peticion, cabeceras)) return fallo;
  const auto& p = de->pedido;
  if (!p.validador.empty()) {
    if (!cabeceras.agregar("If-Range: " + p.validador)) return "no hubo memoria suficiente";
    curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, cabeceras.lista());
  }
  auto rango = tramo.desde < 0
                   ? std::to_string(tramo.desde)
                   : std::to_string(tramo.desde) + "-" + std::to_string(tramo.hasta - 1);
  curl_easy_setopt(easy.get(), CURLOPT_RANGE, rango.c_str());
  curl_easy_setopt(easy.get(), CURLOPT_HEADERFUNCTION, CabecerasDeRango::deCurl);
  curl_easy_setopt(easy.get(), CURLOPT_HEADERDATA, &respuesta);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, recibir);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, this);
  return std::nullopt;
}

void DescargasCurl::EnVuelo::decidir() {
  decidido = true;
  long e = estado();
  auto& p = de->pedido;
  if (peticion.privada && e >= 300 && e < 400) {
    redirigida = true;
    return;
  }
  std::string validador = respuesta.validador();
  // A server whose file changed answers If-Range with the whole new file.
  if (!p.validador.empty() && validador != p.validador) {
    duda = "el archivo cambió en el servidor";
    return;
  }
  if (e != 206) {
    duda = e == 200 ? "el servidor no atiende rangos (mandó el archivo entero)"
                    : "el servidor respondió " + std::to_string(e) + " a un tramo";
    return;
  }
  int64_t a = 0, b = 0, total = -1;
  if (!leerRango(respuesta.rango, a, total, &b) || total <= 0 || b < a || b >= total) {
    duda = "el servidor mandó un tramo sin Content-Range válido";
    return;
  }
  bool esperado = tramo.desde >= 0
                      ? a == tramo.desde && b == tramo.hasta - 1
                      : b == total - 1 && a == std::max<int64_t>(0, total + tramo.desde);
  if (!esperado) {
    duda = "el servidor mandó otro tramo que el pedido (" + respuesta.rango + ")";
    return;
  }
  if (p.total >= 0 && p.total != total) {
    duda = "el archivo cambió en el servidor";
    return;
  }
  p.total = total;
  p.validador = validador;
  inicio = a;
  largo = b - a + 1;
}

size_t DescargasCurl::EnVuelo::recibir(char* datos, size_t, size_t n, void* yo) {
  auto& v = *static_cast<EnVuelo*>(yo);
  if (!v.decidido) v.decidir();
  if (v.redirigida) return n;
  if (v.duda) return 0;
  if (v.escritos + static_cast<int64_t>(n) > v.largo) {
    v.duda = "el servidor mandó más de lo pedido";
    return 0;
  }
  for (size_t hecho = 0; hecho < n;) {
    ssize_t r = ::pwrite(v.de->fd, datos + hecho, n - hecho, v.inicio + v.escritos);
    if (r <= 0) {
      v.duda = motivoDeEscritura(errno);
      return 0;
    }
    hecho += r;
    v.escritos += r;
  }
  v.de->recibidos += static_cast<int64_t>(n);
  v.de->avisar();
  return n;
}

TareaDescarga DescargasCurl::pedirTramos(PedidoTramos pedido, std::function<void(int64_t)> avance,
                                         std::function<void(RespuestaTramos)> listo) {
  auto t = std::make_shared<Tramos>();
  t->id = siguiente_++;
  t->bucle = &bucle_;
  t->pedido = std::move(pedido);
  t->avance = std::move(avance);
  t->listo = std::move(listo);
  hilo_.ordenar([this, t] {
    t->fd = ::open(t->pedido.archivo.c_str(), O_WRONLY | O_CLOEXEC);
    if (t->fd < 0) return cerrarTramos(*t, "no pude abrir " + t->pedido.archivo.string());
    tramos_[t->id] = t;
    pedirSiguientes(t);
  });
  return t->id;
}

void DescargasCurl::pedirSiguientes(const std::shared_ptr<Tramos>& t) {
  while (t->listo && t->enVuelo < kEnVuelo && t->siguiente < t->pedido.tramos.size())
    lanzarTramo(t, t->pedido.tramos[t->siguiente++], t->pedido.peticion, 0);
  if (t->enVuelo == 0) cerrarTramos(*t, std::nullopt);
}

void DescargasCurl::lanzarTramo(const std::shared_ptr<Tramos>& t, Tramo tramo,
                                PeticionHttp peticion, int saltos) {
  auto v = std::make_unique<EnVuelo>();
  v->de = t;
  v->tramo = tramo;
  v->peticion = std::move(peticion);
  v->saltos = saltos;
  if (auto fallo = v->preparar()) return cerrarTramos(*t, fallo);
  if (curl_multi_add_handle(hilo_.multi(), v->easy.get()) != CURLM_OK)
    return cerrarTramos(*t, "no hubo memoria suficiente");
  ++t->enVuelo;
  enVuelo_.emplace(v->easy.get(), std::move(v));
}

bool DescargasCurl::terminarTramo(CURL* easy, CURLcode codigo) {
  auto it = enVuelo_.find(easy);
  if (it == enVuelo_.end()) return false;
  auto v = std::move(it->second);
  enVuelo_.erase(it);
  auto t = v->de;
  --t->enVuelo;
  if (!tramos_.count(t->id)) return true;  // already ended by another range's doubt
  if (codigo == CURLE_OK && !v->decidido) v->decidir();
  char* otra = nullptr;
  curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &otra);
  if (codigo == CURLE_OK && v->redirigida && otra) {
    auto siguiente = saltoDeRedireccion(v->peticion, otra, v->saltos + 1);
    if (!siguiente) return cerrarTramos(*t, siguiente.error()), true;
    // The ranges not yet asked for go straight where this one went.
    if (v->saltos == 0) t->pedido.peticion = siguiente.valor();
    lanzarTramo(t, v->tramo, std::move(siguiente).valor(), v->saltos + 1);
    return true;
  }
  std::optional<std::string> duda = v->duda;
  if (!duda && codigo != CURLE_OK) duda = describirFalloCurl(easy, codigo);
  if (!duda && (v->redirigida || v->escritos != v->largo)) duda = "un tramo llegó incompleto";
  if (duda) return cerrarTramos(*t, duda), true;
  pedirSiguientes(t);
  return true;
}

void DescargasCurl::cerrarTramos(Tramos& t, std::optional<std::string> duda) {
  auto sigue = t.shared_from_this();  // the map may hold the last reference
  tramos_.erase(t.id);
  for (auto it = enVuelo_.begin(); it != enVuelo_.end();) {
    if (it->second->de.get() != &t) {
      ++it;
      continue;
    }
    curl_multi_remove_handle(hilo_.multi(), it->first);
    --t.enVuelo;
    it = enVuelo_.erase(it);
  }
  if (!t.listo) return;
  RespuestaTramos r{std::move(duda), t.pedido.total, t.pedido.validador, t.recibidos};
  auto listo = std::exchange(t.listo, nullptr);
  bucle_.enPrincipal([listo = std::move(listo), r = std::move(r)] { listo(r); });
}

}  // namespace orvo
