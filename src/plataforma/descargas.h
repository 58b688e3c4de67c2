// The installer's download session: downloads to a file, continues from what a broken or
// abandoned transfer left, reports progress. Real: libcurl.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "plataforma/http.h"

namespace orvo {

// What a transfer leaves behind so another connection can continue it: the partial file
// and the validator that proves the server's file is still the same one.
struct DatosRetomar {
  PeticionHttp peticion;
  std::filesystem::path parcial;
  int64_t bytes = 0;
  std::string validador;  // ETag, else Last-Modified; empty: the server gave none
};

struct FalloDescarga {
  bool cancelada = false;               // the program cancelled it; never a user-facing failure
  std::string descripcion;              // Spanish, for "Se cortó la descarga: …"
  std::optional<DatosRetomar> retomar;  // present when the transfer can continue
};

using TareaDescarga = uint64_t;

// Bytes [desde, hasta) of a file; `desde` < 0 asks for its last -desde bytes.
struct Tramo {
  int64_t desde = 0;
  int64_t hasta = 0;
};

// Byte ranges of one file, one range per request (many servers answer a multi-range
// request with the whole file), each written at its own offset in `archivo`.
struct PedidoTramos {
  PeticionHttp peticion;
  std::vector<Tramo> tramos;
  std::filesystem::path archivo;  // must exist; never truncated
  std::string validador;          // for If-Range: ETag or Last-Modified of an earlier answer
  int64_t total = -1;             // the file's size when known
};

struct RespuestaTramos {
  // Why the answers cannot be trusted (an answer with the whole file, a range or validator
  // that does not match, a transfer that broke), in Spanish; absent when every range landed.
  std::optional<std::string> duda;
  int64_t total = -1;
  std::string validador;
  int64_t recibidos = 0;
};

class Descargas {
 public:
  // All three run on the main thread.
  struct Avisos {
    // `esperados` is 0 or less when the size is unknown; counts cover the whole file.
    std::function<void(TareaDescarga, int64_t escritos, int64_t esperados)> progreso;
    // The whole body is in `archivo`, which exists only until this returns. `estado` is
    // the HTTP status of the answer.
    std::function<void(TareaDescarga, const std::filesystem::path& archivo, int estado)> terminada;
    // Last notice of every task: absent on success.
    std::function<void(TareaDescarga, std::optional<FalloDescarga>)> completada;
  };

  virtual ~Descargas() = default;
  virtual void avisar(Avisos avisos) = 0;
  // Starts a fresh download, or continues one from `retomar`. Main thread.
  virtual TareaDescarga iniciar(PeticionHttp peticion, std::optional<DatosRetomar> retomar) = 0;
  // Leaves the connection, keeping what was received. `listo` gets the resume data, or
  // none when the transfer cannot continue; it may run on any thread. The task then
  // completes as cancelled.
  virtual void cancelarRetomando(TareaDescarga tarea,
                                 std::function<void(std::optional<DatosRetomar>)> listo) = 0;
  // Cancels and discards what was received; for ranges, stops them without a notice.
  virtual void cancelar(TareaDescarga tarea) = 0;
  // Fetches the ranges, a few at a time, with the same token and redirect rules as a
  // download. `avance` (bytes received so far) and `listo` (once) run on the main thread.
  virtual TareaDescarga pedirTramos(PedidoTramos pedido, std::function<void(int64_t)> avance,
                                    std::function<void(RespuestaTramos)> listo) = 0;
};

}  // namespace orvo
