#include "plataforma/linux/cabeceras_rango.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace orvo {

namespace {

std::string_view recortar(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' '))
    s.remove_suffix(1);
  return s;
}

bool nombreEs(std::string_view linea, std::string_view nombre) {
  if (linea.size() <= nombre.size() || linea[nombre.size()] != ':') return false;
  for (size_t i = 0; i < nombre.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(linea[i])) !=
        std::tolower(static_cast<unsigned char>(nombre[i])))
      return false;
  return true;
}

}  // namespace

void CabecerasDeRango::leer(std::string_view linea) {
  if (linea.starts_with("HTTP/")) {
    etag.clear();
    modificado.clear();
    rango.clear();
  } else if (nombreEs(linea, "ETag")) {
    etag = recortar(linea.substr(5));
  } else if (nombreEs(linea, "Last-Modified")) {
    modificado = recortar(linea.substr(14));
  } else if (nombreEs(linea, "Content-Range")) {
    rango = recortar(linea.substr(14));
  }
}

size_t CabecerasDeRango::deCurl(char* datos, size_t, size_t n, void* yo) {
  static_cast<CabecerasDeRango*>(yo)->leer({datos, n});
  return n;
}

bool leerRango(const std::string& rango, int64_t& inicio, int64_t& total, int64_t* fin) {
  long long a = 0, b = 0;
  char resto[32] = {};
  if (std::sscanf(rango.c_str(), "bytes %lld-%lld/%31s", &a, &b, resto) != 3) return false;
  inicio = a;
  if (fin) *fin = b;
  total = std::string_view(resto) == "*" ? -1 : std::atoll(resto);
  return true;
}

}  // namespace orvo
