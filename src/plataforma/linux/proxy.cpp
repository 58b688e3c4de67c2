#include "plataforma/linux/proxy.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include <gio/gio.h>

namespace orvo {

namespace {

using Url = std::unique_ptr<CURLU, decltype(&curl_url_cleanup)>;

std::optional<std::string> variable(const char* nombre) {
  const char* v = std::getenv(nombre);
  return v && *v ? std::optional<std::string>(v) : std::nullopt;
}

std::optional<std::string> variable(const char* minusculas, const char* mayusculas) {
  auto v = variable(minusculas);
  return v ? v : variable(mayusculas);
}

std::optional<std::string> parte(const char* url, CURLUPart cual, unsigned banderas = 0) {
  Url u(curl_url(), curl_url_cleanup);
  char* valor = nullptr;
  if (!u || curl_url_set(u.get(), CURLUPART_URL, url, banderas) != CURLUE_OK ||
      curl_url_get(u.get(), cual, &valor, 0) != CURLUE_OK)
    return std::nullopt;
  std::string r = valor;
  curl_free(valor);
  return r;
}

std::string minusculas(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// An IPv4 or IPv6 address in network order; false when `texto` is neither.
bool direccionIp(const std::string& texto, unsigned char (&bytes)[16], int& bits) {
  if (inet_pton(AF_INET, texto.c_str(), bytes) == 1) {
    bits = 32;
    return true;
  }
  bits = 128;
  return inet_pton(AF_INET6, texto.c_str(), bytes) == 1;
}

bool ipEnRed(const std::string& host, const std::string& entrada) {
  auto barra = entrada.find('/');
  unsigned char a[16], b[16];
  int bitsA = 0, bitsB = 0;
  if (!direccionIp(host, a, bitsA) || !direccionIp(entrada.substr(0, barra), b, bitsB) ||
      bitsA != bitsB)
    return false;
  int prefijo = bitsB;
  if (barra != std::string::npos) {
    auto resto = entrada.substr(barra + 1);
    if (resto.empty() || resto.size() > 3 ||
        !std::all_of(resto.begin(), resto.end(), [](char c) { return std::isdigit(c); }))
      return false;
    prefijo = std::min(std::stoi(resto), bitsB);
  }
  int enteros = prefijo / 8, sobra = prefijo % 8;
  if (std::memcmp(a, b, enteros) != 0) return false;
  if (sobra == 0) return true;
  unsigned mascara = (0xFFu << (8 - sobra)) & 0xFFu;
  return (a[enteros] & mascara) == (b[enteros] & mascara);
}

std::optional<std::string> paraCurl(std::string_view proxy) {
  for (std::string_view esquema :
       {"http://", "https://", "socks4://", "socks4a://", "socks5://", "socks5h://"})
    if (proxy.starts_with(esquema)) return std::string(proxy);
  if (proxy.starts_with("socks://")) return "socks5://" + std::string(proxy.substr(8));
  return std::nullopt;
}

std::optional<std::string> delEscritorio(const std::string& url) {
  GError* error = nullptr;
  std::unique_ptr<gchar*, decltype(&g_strfreev)> lista(
      g_proxy_resolver_lookup(g_proxy_resolver_get_default(), url.c_str(), nullptr, &error),
      g_strfreev);
  if (error) g_error_free(error);
  if (!lista) return std::nullopt;
  for (gchar** p = lista.get(); *p; ++p) {
    std::string_view proxy = *p;
    if (proxy == "direct://") return std::nullopt;
    if (auto r = paraCurl(proxy)) return r;
  }
  return std::nullopt;
}

}  // namespace

bool sinProxy(const std::string& hostDado, const std::string& lista) {
  std::string host = minusculas(hostDado);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  while (host.ends_with(".")) host.pop_back();
  size_t i = 0;
  while (i < lista.size()) {
    size_t fin = lista.find_first_of(", \t", i);
    if (fin == std::string::npos) fin = lista.size();
    std::string entrada = minusculas(lista.substr(i, fin - i));
    i = fin + 1;
    if (entrada == "*") return true;
    if (entrada.size() > 2 && entrada.front() == '[' && entrada.back() == ']')
      entrada = entrada.substr(1, entrada.size() - 2);
    while (entrada.starts_with(".")) entrada.erase(0, 1);
    while (entrada.ends_with(".")) entrada.pop_back();
    if (entrada.empty()) continue;
    if (host == entrada || (host.ends_with("." + entrada)) || ipEnRed(host, entrada)) return true;
  }
  return false;
}

std::optional<std::string> proxyPara(const std::string& url) {
  std::optional<std::string> delEntorno;
  if (url.starts_with("http://"))
    delEntorno = variable("http_proxy");  // Never HTTP_PROXY: a CGI header may set it.
  else if (url.starts_with("https://"))
    delEntorno = variable("https_proxy", "HTTPS_PROXY");
  if (!delEntorno) delEntorno = variable("all_proxy", "ALL_PROXY");
  if (!delEntorno) return delEscritorio(url);
  auto excepciones = variable("no_proxy", "NO_PROXY");
  auto host = parte(url.c_str(), CURLUPART_HOST);
  if (excepciones && host && sinProxy(*host, *excepciones)) return std::nullopt;
  return delEntorno;
}

std::string nombreDeProxy(const std::string& proxy) {
  auto host = parte(proxy.c_str(), CURLUPART_HOST, CURLU_GUESS_SCHEME | CURLU_NON_SUPPORT_SCHEME);
  auto puerto = parte(proxy.c_str(), CURLUPART_PORT, CURLU_GUESS_SCHEME | CURLU_NON_SUPPORT_SCHEME);
  if (!host) return "";
  return puerto ? *host + ":" + *puerto : *host;
}

void ponerProxy(CURL* easy, const std::string& url) {
  auto proxy = proxyPara(url);
  curl_easy_setopt(easy, CURLOPT_PROXY, proxy ? proxy->c_str() : "");
  curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
}

}  // namespace orvo
