#include "plataforma/linux/http_curl.h"

#include <algorithm>
#include <map>
#include <memory>

#include "plataforma/linux/errores_curl.h"
#include "plataforma/linux/peticion_curl.h"

namespace orvo {

struct HttpCurl::Transferencia {
  Transferencia(PeticionHttp p, Http::Listo l) : peticion(std::move(p)), listo(std::move(l)) {}

  PeticionHttp peticion;
  Http::Listo listo;
  RespuestaHttp respuesta;
  ListaCabeceras cabeceras;
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy{curl_easy_init(), curl_easy_cleanup};
};

namespace {

using Transferencia = HttpCurl::Transferencia;

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

// Like a browser: a few connections per server, reused. Many requests at once then wait
// their turn instead of each opening (and leaving idle) a connection of its own.
HttpCurl::HttpCurl()
    : hilo_([this](CURL* easy, CURLcode codigo) { terminada(easy, codigo); }, {}, 6) {}

HttpCurl::~HttpCurl() {
  hilo_.detener();
  for (auto& [easy, t] : activas_) curl_multi_remove_handle(hilo_.multi(), easy);
  activas_.clear();
}

void HttpCurl::enviar(PeticionHttp peticion, Listo listo) {
  // Once the session is ending it is dropped, like everything in flight.
  hilo_.ordenar([this, peticion = std::move(peticion), listo = std::move(listo)]() mutable {
    auto t = std::make_unique<Transferencia>(std::move(peticion), std::move(listo));
    if (empezar(hilo_.multi(), *t))
      activas_.emplace(t->easy.get(), std::move(t));
    else
      avisar(*t);
  });
}

void HttpCurl::terminada(CURL* easy, CURLcode codigo) {
  auto it = activas_.find(easy);
  if (it == activas_.end()) return;
  auto t = std::move(it->second);
  activas_.erase(it);
  terminar(*t, codigo);
  avisar(*t);
}

}  // namespace orvo
