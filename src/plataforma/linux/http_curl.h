// The real Http: one session thread drives a curl multi handle for every request.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include <curl/curl.h>

#include "plataforma/http.h"
#include "plataforma/linux/hilo_curl.h"

namespace orvo {

class HttpCurl : public Http {
 public:
  HttpCurl();
  // Stops the session thread without waiting for the network. Requests still queued or
  // in flight are dropped: their `listo` never runs, since what it would reach may be
  // gone by now. Not from inside a `listo`.
  ~HttpCurl() override;
  HttpCurl(const HttpCurl&) = delete;
  HttpCurl& operator=(const HttpCurl&) = delete;

  // Redirects are followed (at most 10; by hand for reads that carry a secret, see
  // saltoDeRedireccion; a redirected POST with a secret is answered as it came), TLS checks against
  // the system's CA store and curl's usual proxy variables apply. A transport failure leaves
  // `estado` absent with a Spanish `error` from describirFalloCurl, or from configurarPeticion when
  // the request itself cannot be sent.
  void enviar(PeticionHttp peticion, Listo listo) override;
  void descargar(PeticionHttp peticion, std::filesystem::path destino, Listo listo) override;

  struct Transferencia;

 private:
  void poner(std::unique_ptr<Transferencia> t);
  void terminada(CURL* easy, CURLcode codigo);
  // Where a request that carries a secret was redirected, when it is to be followed by hand.
  std::optional<std::string> redireccionPropia(Transferencia& t, CURLcode codigo);
  void seguir(std::unique_ptr<Transferencia> t, const std::string& url);

  // The requests on the multi handle; session thread only.
  std::map<CURL*, std::unique_ptr<Transferencia>> activas_;
  HiloCurl hilo_;  // last: its thread uses the members above
};

}  // namespace orvo
