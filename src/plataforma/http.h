// Data requests as the managers see them. Real: libcurl on one session thread.
#pragma once

#include <cstddef>
#include <filesystem>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvo {

struct PeticionHttp {
  std::string metodo = "GET";
  std::string url;
  std::vector<std::pair<std::string, std::string>> cabeceras;
  std::optional<std::string> cuerpo;
  double espera = 60;               // seconds of silence before the request gives up
  bool sinCache = false;            // ignore any locally cached answer
  size_t limiteCuerpo = 32u << 20;  // a longer answer is cut off and flagged `excedido`
  // The headers carry a secret: they go only to this URL's origin, never after a redirect
  // to another origin, never down from https to http.
  bool privada = false;
  // Downloads: the size published for the file; an answer that goes past it (or past its own
  // declared length) is stopped rather than written on.
  std::optional<int64_t> tamPublicado;

  // The value of a header, compared without letter case; absent when not set.
  std::optional<std::string> cabecera(const std::string& nombre) const;
};

struct RespuestaHttp {
  // Absent: the exchange failed in transport; `error` says why, in Spanish.
  std::optional<int> estado;
  std::string cuerpo;
  std::optional<std::string> error;
  bool excedido = false;  // the body passed the request's limit and was dropped
};

class Http {
 public:
  using Listo = std::function<void(RespuestaHttp)>;
  virtual ~Http() = default;
  // Sends `peticion`; `listo` runs once, on the session's own thread, never inside this
  // call. Safe from any thread.
  virtual void enviar(PeticionHttp peticion, Listo listo) = 0;
  // The same, with the body streamed into `destino` (created or emptied, mode 0600)
  // instead of memory, so archives of any size cost no memory; `cuerpo` stays empty.
  // `limiteCuerpo` bounds the file. Whenever `error` is set or `excedido` is true, the
  // file has been removed.
  virtual void descargar(PeticionHttp peticion, std::filesystem::path destino, Listo listo) = 0;
};

}  // namespace orvo
