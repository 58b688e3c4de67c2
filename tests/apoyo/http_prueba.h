// The real HTTP client with each request's silence limit recorded and, for a test that plays
// a stalled server, scaled: at `escala` 1/60 a minute of silence passes in a second.
#pragma once

#include <mutex>
#include <vector>

#include "plataforma/linux/http_curl.h"

namespace orvo::prueba {

class HttpPrueba : public HttpCurl {
 public:
  double escala = 1;
  // The limit each request asked for, unscaled, in order.
  std::vector<double> esperas() const {
    std::lock_guard l(m_);
    return esperas_;
  }
  void enviar(PeticionHttp p, Listo listo) override { HttpCurl::enviar(anotar(p), listo); }
  void descargar(PeticionHttp p, std::filesystem::path destino, Listo listo) override {
    HttpCurl::descargar(anotar(p), std::move(destino), listo);
  }

 private:
  PeticionHttp anotar(PeticionHttp p) {
    std::lock_guard l(m_);
    esperas_.push_back(p.espera);
    p.espera *= escala;
    return p;
  }
  mutable std::mutex m_;
  std::vector<double> esperas_;
};

}  // namespace orvo::prueba
