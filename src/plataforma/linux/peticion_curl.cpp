#include "plataforma/linux/peticion_curl.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>

#include "comun/url.h"
#include "plataforma/linux/proxy.h"

namespace orvo {

namespace {

bool esToken(std::string_view s) {
  if (s.empty()) return false;
  for (unsigned char c : s)
    if (!std::isalnum(c) && std::string_view("!#$%&'*+-.^_`|~").find(c) == std::string_view::npos)
      return false;
  return true;
}

bool sinControles(std::string_view s) {
  for (unsigned char c : s)
    if (c == '\r' || c == '\n' || c == '\0') return false;
  return true;
}

// Non-positive or not-a-number: no time at all, rather than waiting forever.
long milisegundos(double segundos) {
  if (!(segundos > 0)) return 1;
  return std::max(1L, std::lround(std::fmin(segundos, 86400.0) * 1000));
}

}  // namespace

bool ListaCabeceras::agregar(const std::string& linea) {
  curl_slist* nueva = curl_slist_append(lista_, linea.c_str());
  if (!nueva) return false;
  lista_ = nueva;
  return true;
}

std::optional<std::string> configurarPeticion(CURL* easy, const PeticionHttp& p,
                                              ListaCabeceras& cabeceras) {
  if (!esToken(p.metodo)) return "la petición usa un método no válido";
  if (!sinControles(p.url)) return "la dirección no es válida";
  for (const auto& [nombre, valor] : p.cabeceras) {
    if (!esToken(nombre) || !sinControles(valor)) return "la petición lleva una cabecera no válida";
    // "Name:" would tell curl to drop the header; "Name;" sends it empty.
    if (!cabeceras.agregar(valor.empty() ? nombre + ";" : nombre + ": " + valor))
      return "no hubo memoria suficiente";
  }
  // Only where the caller set nothing; "Name:" with no value keeps curl's own out.
  bool ok = true;
  auto poner = [&](const std::string& nombre, const std::string& valor) {
    if (!p.cabecera(nombre))
      ok = cabeceras.agregar(valor.empty() ? nombre + ":" : nombre + ": " + valor) && ok;
  };
  if (p.sinCache) {
    poner("Cache-Control", "no-cache");
    poner("Pragma", "no-cache");
  }
  // Otherwise curl labels every body a form and holds large ones back for "100 Continue".
  if (p.cuerpo || p.metodo == "POST") poner("Content-Type", "");
  poner("Expect", "");
  if (!ok) return "no hubo memoria suficiente";

  curl_easy_setopt(easy, CURLOPT_URL, p.url.c_str());
  ponerProxy(easy, p.url);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, cabeceras.lista());
  if (p.cuerpo) {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(p.cuerpo->size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, p.cuerpo->data());
    if (p.metodo != "POST") curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, p.metodo.c_str());
  } else if (p.metodo == "POST") {
    // An empty body, announced as such: servers may refuse a POST without a length.
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(0));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, "");
  } else if (p.metodo == "HEAD") {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  } else if (p.metodo != "GET") {
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, p.metodo.c_str());
  }
  // The limit is on silence, not on the whole exchange: a slow answer that keeps coming
  // is an answer.
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, 0L);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, milisegundos(p.espera));
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, (milisegundos(p.espera) + 999) / 1000);
  // curl would carry the secret headers along a redirect: such requests stop at the
  // redirect and saltoDeRedireccion decides. No redirect leaves https for plain http.
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, p.privada ? 0L : 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR,
                   origenDe(p.url).value_or("").starts_with("https:") ? "https" : "http,https");
  // Many threads use curl; its resolver must not use signals.
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  return std::nullopt;
}

}  // namespace orvo
