// The real HTTP client with each request's silence limit scaled, for a test that plays a
// stalled server: at `escala` 1/60 a minute of silence passes in a second.
#pragma once

#include <atomic>

#include "plataforma/linux/http_curl.h"

namespace orvo::prueba {

class HttpPrueba : public HttpCurl {
 public:
  std::atomic<double> escala = 1;
  void enviar(PeticionHttp p, Listo listo) override {
    p.espera *= escala;
    HttpCurl::enviar(std::move(p), std::move(listo));
  }
  void descargar(PeticionHttp p, std::filesystem::path destino, Listo listo) override {
    p.espera *= escala;
    HttpCurl::descargar(std::move(p), std::move(destino), std::move(listo));
  }
};

}  // namespace orvo::prueba
