// The ranges of one file on the download session's thread: a few requests in flight, one
// range each, every answer checked (206, its Content-Range, the file's validator) before
// a byte of it is written at its own offset.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <curl/curl.h>

#include "plataforma/bucle.h"

#include "plataforma/descargas.h"
#include "plataforma/linux/cabeceras_rango.h"
#include "plataforma/linux/descargas_curl.h"
#include "plataforma/linux/peticion_curl.h"

namespace orvo {

struct DescargasCurl::Tramos : std::enable_shared_from_this<Tramos> {
  TareaDescarga id = 0;
  PedidoTramos pedido;  // its request follows the redirects the first answers took
  std::function<void(int64_t)> avance;
  std::function<void(RespuestaTramos)> listo;
  int fd = -1;
  size_t siguiente = 0;  // the next range to ask for
  int enVuelo = 0;
  int64_t recibidos = 0;
  double ultimoAviso = -1;
  Bucle* bucle = nullptr;
  ~Tramos();
  // The count to the main thread, at most every 0.1 s.
  void avisar();
};

struct DescargasCurl::EnVuelo {
  std::shared_ptr<Tramos> de;
  Tramo tramo;
  PeticionHttp peticion;
  int saltos = 0;
  int64_t inicio = -1, largo = 0, escritos = 0;
  bool decidido = false, redirigida = false;
  CabecerasDeRango respuesta;
  std::optional<std::string> duda;
  ListaCabeceras cabeceras;
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy{curl_easy_init(), curl_easy_cleanup};

  std::optional<std::string> preparar();
  long estado() const;
  void decidir();
  static size_t recibir(char* datos, size_t, size_t n, void* yo);
};

}  // namespace orvo
