// What a download reads from the headers of an answer to a byte range.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvo {

// The headers of the latest response that tell whether its bytes continue a file.
struct CabecerasDeRango {
  std::string etag, modificado, rango;
  // One header line; each response of a redirect chain starts over at its status line.
  void leer(std::string_view linea);
  // ETag, else Last-Modified.
  std::string validador() const { return !etag.empty() ? etag : modificado; }
  // For CURLOPT_HEADERFUNCTION with a CabecerasDeRango as its data.
  static size_t deCurl(char* datos, size_t, size_t n, void* yo);
};

// "bytes 100-199/1000" → start 100, last byte 199 and whole size 1000 (-1 when "*").
bool leerRango(const std::string& rango, int64_t& inicio, int64_t& total, int64_t* fin = nullptr);

}  // namespace orvo
