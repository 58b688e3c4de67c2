// How a PeticionHttp goes onto a curl easy handle, for every transfer the program makes.
#pragma once

#include <optional>
#include <string>

#include <curl/curl.h>

#include "plataforma/http.h"

namespace orvo {

// Owns the header list a handle points to while it transfers.
class ListaCabeceras {
 public:
  ListaCabeceras() = default;
  ~ListaCabeceras() { curl_slist_free_all(lista_); }
  ListaCabeceras(const ListaCabeceras&) = delete;
  ListaCabeceras& operator=(const ListaCabeceras&) = delete;

  bool agregar(const std::string& linea);
  curl_slist* lista() const { return lista_; }

 private:
  curl_slist* lista_ = nullptr;
};

// Sets the method, URL, headers, body, the time limit for the whole exchange, redirects
// (at most 10) and the protocols (http and https only). The handle keeps pointing into
// `peticion` (the body) and `cabeceras`, so both must outlive the transfer. Returns why,
// in Spanish, when the request cannot go as given: a method, header or URL whose bytes
// would break the request apart.
std::optional<std::string> configurarPeticion(CURL* easy, const PeticionHttp& peticion,
                                              ListaCabeceras& cabeceras);

}  // namespace orvo
