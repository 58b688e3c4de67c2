// One download to a file on one curl handle: the request, the Range/If-Range that
// continue it, and the decision, at the first byte of the answer, whether what arrives
// continues the partial file or replaces it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <curl/curl.h>

#include "plataforma/descargas.h"
#include "plataforma/linux/cabeceras_rango.h"
#include "plataforma/linux/descargas_curl.h"
#include "plataforma/linux/peticion_curl.h"

namespace orvo {

// Why writing the received bytes failed, from errno: a full disk, or anything else.
std::string motivoDeEscritura(int codigo);

struct DescargasCurl::Transferencia {
  TareaDescarga id = 0;
  PeticionHttp peticion;
  std::filesystem::path parcial;
  std::FILE* archivo = nullptr;
  int64_t desde = 0;       // the offset asked for; 0 once the server sent the whole file
  int64_t escritos = 0;    // bytes in the file
  int64_t esperados = -1;  // size of the whole file; -1 unknown
  std::string validador;   // ETag, else Last-Modified, of the answer
  CabecerasDeRango respuesta;
  bool decidido = false;  // the answer's first byte was seen and the file set for it
  std::optional<std::string> falloPropio;  // the disk refused, or the range made no sense
  double ultimoAviso = -1;
  int64_t reportado = 0;  // the count last sent to the main thread
  int saltos = 0;         // redirects followed by hand so far
  ListaCabeceras cabeceras;
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy{curl_easy_init(), curl_easy_cleanup};
  std::function<void(Transferencia&)> alAvanzar;

  ~Transferencia();
  // Opens the file (continuing `retomar` when it still matches) and sets up the handle.
  // An error text when the download cannot start.
  std::optional<std::string> preparar(const std::filesystem::path& archivo,
                                      const std::optional<DatosRetomar>& retomar);
  void cerrarArchivo();
  long estado() const;
  // What another connection needs to continue; absent when it cannot continue safely.
  std::optional<DatosRetomar> retomar() const;

 private:
  static size_t recibir(char* datos, size_t, size_t n, void* yo);
  bool decidir();
};

}  // namespace orvo
