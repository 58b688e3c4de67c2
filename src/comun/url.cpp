#include "comun/url.h"

#include <cctype>
#include <cstring>

namespace orvo {

namespace {

bool permitido(unsigned char c) {
  if (std::isalnum(c)) return true;
  return std::strchr("-._~:/?#[]@!$&'()*+,;=%", c) != nullptr && c != 0;
}

int valorHex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool escapesBien(std::string_view t) {
  for (size_t i = 0; i < t.size(); ++i) {
    if (!permitido(static_cast<unsigned char>(t[i]))) return false;
    if (t[i] == '%' && (i + 2 >= t.size() || valorHex(t[i + 1]) < 0 || valorHex(t[i + 2]) < 0))
      return false;
  }
  return true;
}

// RFC 3986 section 5.2.4.
std::string quitarPuntos(std::string entrada) {
  std::string salida;
  while (!entrada.empty()) {
    if (entrada.starts_with("../")) {
      entrada.erase(0, 3);
    } else if (entrada.starts_with("./")) {
      entrada.erase(0, 2);
    } else if (entrada.starts_with("/./")) {
      entrada.erase(0, 2);
    } else if (entrada == "/.") {
      entrada = "/";
    } else if (entrada.starts_with("/../") || entrada == "/..") {
      entrada = entrada.size() == 3 ? "/" : entrada.substr(3);
      auto corte = salida.rfind('/');
      salida.erase(corte == std::string::npos ? 0 : corte);
    } else if (entrada == "." || entrada == "..") {
      entrada.clear();
    } else {
      auto fin = entrada.find('/', entrada[0] == '/' ? 1 : 0);
      salida += entrada.substr(0, fin);
      entrada.erase(0, fin == std::string::npos ? entrada.size() : fin);
    }
  }
  return salida;
}

std::string unir(const Url& base, const std::string& ruta) {
  if (base.autoridad && base.ruta.empty()) return "/" + ruta;
  auto corte = base.ruta.rfind('/');
  return corte == std::string::npos ? ruta : base.ruta.substr(0, corte + 1) + ruta;
}

}  // namespace

std::optional<Url> analizarUrl(std::string_view t) {
  if (!escapesBien(t)) return std::nullopt;
  Url u;
  // Appendix B: ^(([^:/?#]+):)?(//([^/?#]*))?([^?#]*)(\?([^#]*))?(#(.*))?
  auto fin = t.find_first_of(":/?#");
  if (fin != std::string_view::npos && fin > 0 && t[fin] == ':') {
    auto esquema = t.substr(0, fin);
    if (!std::isalpha(static_cast<unsigned char>(esquema[0]))) return std::nullopt;
    for (char c : esquema)
      if (!std::isalnum(static_cast<unsigned char>(c)) && !std::strchr("+-.", c))
        return std::nullopt;
    u.esquema = std::string(esquema);
    t.remove_prefix(fin + 1);
  }
  if (t.starts_with("//")) {
    t.remove_prefix(2);
    auto f = t.find_first_of("/?#");
    u.autoridad = std::string(t.substr(0, f));
    t.remove_prefix(f == std::string_view::npos ? t.size() : f);
  }
  auto f = t.find_first_of("?#");
  u.ruta = std::string(t.substr(0, f));
  t.remove_prefix(f == std::string_view::npos ? t.size() : f);
  if (t.starts_with("?")) {
    auto g = t.find('#');
    u.consulta = std::string(t.substr(1, g == std::string_view::npos ? g : g - 1));
    t.remove_prefix(g == std::string_view::npos ? t.size() : g);
  }
  if (t.starts_with("#")) u.fragmento = std::string(t.substr(1));
  if (u.ruta.find('[') != std::string::npos || u.ruta.find(']') != std::string::npos)
    return std::nullopt;
  return u;
}

Url resolverUrl(const Url& base, const Url& r) {
  Url t;
  if (!r.esquema.empty()) {
    t = r;
    t.ruta = quitarPuntos(r.ruta);
  } else {
    if (r.autoridad) {
      t.autoridad = r.autoridad;
      t.ruta = quitarPuntos(r.ruta);
      t.consulta = r.consulta;
    } else {
      if (r.ruta.empty()) {
        t.ruta = base.ruta;
        t.consulta = r.consulta ? r.consulta : base.consulta;
      } else {
        t.ruta = quitarPuntos(r.ruta[0] == '/' ? r.ruta : unir(base, r.ruta));
        t.consulta = r.consulta;
      }
      t.autoridad = base.autoridad;
    }
    t.esquema = base.esquema;
  }
  t.fragmento = r.fragmento;
  return t;
}

std::string Url::host() const {
  if (!autoridad) return "";
  std::string h = *autoridad;
  if (auto arroba = h.rfind('@'); arroba != std::string::npos) h.erase(0, arroba + 1);
  if (h.starts_with("[")) {
    auto cierre = h.find(']');
    return h.substr(1, cierre == std::string::npos ? std::string::npos : cierre - 1);
  }
  if (auto dos = h.rfind(':'); dos != std::string::npos) h.erase(dos);
  return h;
}

namespace {

std::string minusculas(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::optional<std::string> origenDe(std::string_view url) {
  auto u = analizarUrl(url);
  if (!u || !u->autoridad) return std::nullopt;
  auto esquema = minusculas(u->esquema), host = minusculas(u->host());
  if ((esquema != "http" && esquema != "https") || host.empty()) return std::nullopt;
  std::string puerto = esquema == "https" ? "443" : "80";
  // The port is what follows the host (and its IPv6 brackets), when given.
  auto autoridad = u->autoridad->substr(u->autoridad->rfind('@') + 1);
  if (auto dos = autoridad.rfind(':'); dos != std::string::npos &&
                                       autoridad.find(']', dos) == std::string::npos &&
                                       dos + 1 < autoridad.size())
    puerto = autoridad.substr(dos + 1);
  return esquema + "://" + host + ":" + puerto;
}

bool admiteSecretos(std::string_view url) {
  auto origen = origenDe(url);
  if (!origen) return false;
  if (origen->starts_with("https://")) return true;
  return origen->starts_with("http://127.0.0.1:") || origen->starts_with("http://localhost:") ||
         origen->starts_with("http://::1:");
}

std::string Url::texto() const {
  std::string s;
  if (!esquema.empty()) s += esquema + ":";
  if (autoridad) s += "//" + *autoridad;
  s += ruta;
  if (consulta) s += "?" + *consulta;
  if (fragmento) s += "#" + *fragmento;
  return s;
}

std::string escaparRuta(std::string_view ruta) {
  static const char* hex = "0123456789ABCDEF";
  std::string s;
  for (unsigned char c : ruta) {
    if (std::isalnum(c) || std::strchr("-._~/!$&'()*+,;=:@", c)) {
      s += static_cast<char>(c);
    } else {
      s += '%';
      s += hex[c >> 4];
      s += hex[c & 15];
    }
  }
  return s;
}

std::optional<std::string> desescapar(std::string_view t) {
  std::string s;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] != '%') {
      s += t[i];
      continue;
    }
    int a = i + 1 < t.size() ? valorHex(t[i + 1]) : -1;
    int b = i + 2 < t.size() ? valorHex(t[i + 2]) : -1;
    if (a < 0 || b < 0) return std::nullopt;
    s += static_cast<char>(a * 16 + b);
    i += 2;
  }
  return s;
}

}  // namespace orvo
