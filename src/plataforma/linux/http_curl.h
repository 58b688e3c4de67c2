// The real Http: one session thread drives a curl multi handle for every request.
#pragma once

#include <deque>
#include <mutex>
#include <thread>

#include <curl/curl.h>

#include "plataforma/http.h"

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

  // Redirects are followed (at most 10), TLS checks against the system's CA store and
  // curl's usual proxy variables apply. A transport failure leaves `estado` absent with
  // a Spanish `error` from describirFalloCurl, or from configurarPeticion when the request
  // itself cannot be sent.
  void enviar(PeticionHttp peticion, Listo listo) override;

 private:
  struct Pedido {
    PeticionHttp peticion;
    Listo listo;
  };
  void correr();

  CURLM* multi_;
  std::mutex m_;
  std::deque<Pedido> cola_;
  bool parar_ = false;
  std::thread hilo_;
};

}  // namespace orvo
