#include "plataforma/linux/http_curl.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <system_error>

#include "plataforma/linux/errores_curl.h"
#include "plataforma/linux/peticion_curl.h"
#include "plataforma/linux/redireccion.h"
#include "plataforma/linux/transferencia_descarga.h"

namespace orvo {

struct HttpCurl::Transferencia {
  Transferencia(PeticionHttp p, Http::Listo l) : peticion(std::move(p)), listo(std::move(l)) {}

  ~Transferencia() {
    if (archivo) std::fclose(archivo);
  }

  PeticionHttp peticion;
  Http::Listo listo;
  RespuestaHttp respuesta;
  // A download to a file: where, the open file, how much went in, why writing failed.
  std::filesystem::path destino;
  std::FILE* archivo = nullptr;
  size_t escritos = 0;
  int errorEscritura = 0;
  int saltos = 0;  // redirects followed by hand so far
  ListaCabeceras cabeceras;
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy{curl_easy_init(), curl_easy_cleanup};
};

namespace {

using Transferencia = HttpCurl::Transferencia;

// Past the limit the body is dropped and the transfer aborted, so memory never grows
// beyond the limit whatever the server sends.
size_t recibir(char* datos, size_t, size_t n, void* destino) {
  auto& t = *static_cast<Transferencia*>(destino);
  if (t.archivo) {
    if (n > t.peticion.limiteCuerpo - t.escritos) {
      t.respuesta.excedido = true;
      return 0;
    }
    if (std::fwrite(datos, 1, n, t.archivo) != n) {
      t.errorEscritura = errno ? errno : EIO;
      return 0;
    }
    t.escritos += n;
    return n;
  }
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

// Closes a download's file; a write that fails only now (the last buffer, a full disk)
// counts like one that failed during the transfer.
void cerrarArchivo(Transferencia& t) {
  if (!t.archivo) return;
  bool bien = std::fflush(t.archivo) == 0;
  if (!bien && !t.errorEscritura) t.errorEscritura = errno ? errno : EIO;
  std::fclose(t.archivo);
  t.archivo = nullptr;
}

void terminar(Transferencia& t, CURLcode codigo) {
  long estado = 0;
  curl_easy_getinfo(t.easy.get(), CURLINFO_RESPONSE_CODE, &estado);
  auto& r = t.respuesta;
  bool aArchivo = !t.destino.empty();
  cerrarArchivo(t);
  if (t.errorEscritura) r.error = motivoDeEscritura(t.errorEscritura);
  if (aArchivo && (r.error || r.excedido || codigo != CURLE_OK)) {
    std::error_code e;
    std::filesystem::remove(t.destino, e);
  }
  if (r.error) return;
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
  if (!t.destino.empty()) {
    int fd = ::open(t.destino.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) t.archivo = ::fdopen(fd, "wb");
    if (!t.archivo) {
      t.respuesta.error = motivoDeEscritura(errno);
      if (fd >= 0) ::close(fd);
      return false;
    }
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
  poner(std::make_unique<Transferencia>(std::move(peticion), std::move(listo)));
}

void HttpCurl::descargar(PeticionHttp peticion, std::filesystem::path destino, Listo listo) {
  auto t = std::make_unique<Transferencia>(std::move(peticion), std::move(listo));
  t->destino = std::move(destino);
  poner(std::move(t));
}

void HttpCurl::poner(std::unique_ptr<Transferencia> t) {
  // Once the session is ending it is dropped, like everything in flight.
  // std::function wants a copyable order; the box is shared, the transfer is not.
  auto caja = std::make_shared<std::unique_ptr<Transferencia>>(std::move(t));
  hilo_.ordenar([this, caja] {
    auto t = std::move(*caja);
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
  if (auto otra = redireccionPropia(*t, codigo)) return seguir(std::move(t), *otra);
  terminar(*t, codigo);
  avisar(*t);
}

std::optional<std::string> HttpCurl::redireccionPropia(Transferencia& t, CURLcode codigo) {
  long estado = 0;
  char* otra = nullptr;
  curl_easy_getinfo(t.easy.get(), CURLINFO_RESPONSE_CODE, &estado);
  curl_easy_getinfo(t.easy.get(), CURLINFO_REDIRECT_URL, &otra);
  // Only reads are followed: a redirected POST would have to change into something else.
  bool lectura = t.peticion.metodo == "GET" || t.peticion.metodo == "HEAD";
  if (codigo != CURLE_OK || !t.peticion.privada || !lectura || estado < 300 || estado >= 400 ||
      !otra || t.errorEscritura)
    return std::nullopt;
  return std::string(otra);
}

void HttpCurl::seguir(std::unique_ptr<Transferencia> t, const std::string& url) {
  // The redirect's own body is no part of the answer.
  if (t->archivo) std::fclose(t->archivo);
  t->archivo = nullptr;
  auto siguiente = saltoDeRedireccion(t->peticion, url, t->saltos + 1);
  if (!siguiente) {
    std::error_code e;
    if (!t->destino.empty()) std::filesystem::remove(t->destino, e);
    t->respuesta = RespuestaHttp{};
    t->respuesta.error = siguiente.error();
    return avisar(*t);
  }
  auto nueva = std::make_unique<Transferencia>(std::move(siguiente).valor(), std::move(t->listo));
  nueva->destino = t->destino;
  nueva->saltos = t->saltos + 1;
  if (empezar(hilo_.multi(), *nueva))
    activas_.emplace(nueva->easy.get(), std::move(nueva));
  else
    avisar(*nueva);
}

}  // namespace orvo
