#include "plataforma/linux/http_curl.h"

#include <algorithm>
#include <map>
#include <memory>
#include <new>

#include "plataforma/linux/curl_global.h"
#include "plataforma/linux/errores_curl.h"
#include "plataforma/linux/peticion_curl.h"

namespace orvo {

namespace {

struct Transferencia {
  Transferencia(PeticionHttp p, Http::Listo l) : peticion(std::move(p)), listo(std::move(l)) {}

  PeticionHttp peticion;
  Http::Listo listo;
  RespuestaHttp respuesta;
  ListaCabeceras cabeceras;
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy{curl_easy_init(), curl_easy_cleanup};
};

// Past the limit the body is dropped and the transfer aborted, so memory never grows
// beyond the limit whatever the server sends.
size_t recibir(char* datos, size_t, size_t n, void* destino) {
  auto& t = *static_cast<Transferencia*>(destino);
  std::string& cuerpo = t.respuesta.cuerpo;
  size_t limite = t.peticion.limiteCuerpo;
  if (n > limite - cuerpo.size()) {
    t.respuesta.excedido = true;
    std::string().swap(cuerpo);
    return 0;
  }
  if (cuerpo.size() + n > cuerpo.capacity())
    cuerpo.reserve(std::min(limite, std::max(cuerpo.capacity() * 2, cuerpo.size() + n)));
  cuerpo.append(datos, n);
  return n;
}

void terminar(Transferencia& t, CURLcode codigo) {
  long estado = 0;
  curl_easy_getinfo(t.easy.get(), CURLINFO_RESPONSE_CODE, &estado);
  auto& r = t.respuesta;
  if (estado > 0 && (codigo == CURLE_OK || r.excedido)) {
    r.estado = static_cast<int>(estado);
    return;
  }
  std::string().swap(r.cuerpo);
  r.error =
      describirFalloCurl(t.easy.get(), codigo == CURLE_OK ? CURLE_WEIRD_SERVER_REPLY : codigo);
}

void avisar(Transferencia& t) {
  if (t.listo) t.listo(std::move(t.respuesta));
}

// Sets `t` up and hands it to the multi handle; false (with the reason in its answer)
// when it cannot start.
bool empezar(CURLM* multi, Transferencia& t) {
  if (!t.easy) {
    t.respuesta.error = describirFalloCurl(CURLE_OUT_OF_MEMORY);
    return false;
  }
  if (auto fallo = configurarPeticion(t.easy.get(), t.peticion, t.cabeceras)) {
    t.respuesta.error = *fallo;
    return false;
  }
  curl_easy_setopt(t.easy.get(), CURLOPT_WRITEFUNCTION, recibir);
  curl_easy_setopt(t.easy.get(), CURLOPT_WRITEDATA, &t);
  if (curl_multi_add_handle(multi, t.easy.get()) != CURLM_OK) {
    t.respuesta.error = describirFalloCurl(CURLE_OUT_OF_MEMORY);
    return false;
  }
  return true;
}

}  // namespace

HttpCurl::HttpCurl() {
  prepararCurl();
  multi_ = curl_multi_init();
  if (!multi_) throw std::bad_alloc();
  // Like a browser: a few connections per server, reused. Many requests at once then
  // wait their turn instead of each opening (and leaving idle) a connection of its own.
  curl_multi_setopt(multi_, CURLMOPT_MAX_HOST_CONNECTIONS, 6L);
  hilo_ = std::thread([this] { correr(); });
}

HttpCurl::~HttpCurl() {
  {
    std::lock_guard l(m_);
    parar_ = true;
  }
  curl_multi_wakeup(multi_);
  hilo_.join();
  cola_.clear();
  curl_multi_cleanup(multi_);
}

void HttpCurl::enviar(PeticionHttp peticion, Listo listo) {
  Pedido pedido{std::move(peticion), std::move(listo)};
  {
    std::lock_guard l(m_);
    if (parar_) return;  // the session is ending; dropped like everything in flight
    cola_.push_back(std::move(pedido));
  }
  curl_multi_wakeup(multi_);
}

void HttpCurl::correr() {
  std::map<CURL*, std::unique_ptr<Transferencia>> activas;
  for (;;) {
    std::deque<Pedido> nuevos;
    {
      std::lock_guard l(m_);
      if (parar_) break;
      nuevos.swap(cola_);
    }
    for (auto& pedido : nuevos) {
      auto t = std::make_unique<Transferencia>(std::move(pedido.peticion), std::move(pedido.listo));
      if (empezar(multi_, *t))
        activas.emplace(t->easy.get(), std::move(t));
      else
        avisar(*t);
    }
    int corriendo = 0;
    curl_multi_perform(multi_, &corriendo);
    int quedan = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi_, &quedan)) {
      if (msg->msg != CURLMSG_DONE) continue;
      auto it = activas.find(msg->easy_handle);
      if (it == activas.end()) continue;
      CURLcode codigo = msg->data.result;  // `msg` dies with the handle's removal
      auto t = std::move(it->second);
      activas.erase(it);
      curl_multi_remove_handle(multi_, t->easy.get());
      terminar(*t, codigo);
      avisar(*t);
    }
    curl_multi_poll(multi_, nullptr, 0, 1000, nullptr);
  }
  for (auto& [easy, t] : activas) curl_multi_remove_handle(multi_, easy);
}

}  // namespace orvo
