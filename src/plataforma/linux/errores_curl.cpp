#include "plataforma/linux/errores_curl.h"

#include <cerrno>
#include <memory>

namespace orvo {

namespace {

std::string hostDe(const char* url) {
  if (!url) return "";
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> u(curl_url(), curl_url_cleanup);
  if (!u) return "";
  char* host = nullptr;
  if (curl_url_set(u.get(), CURLUPART_URL, url, CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK ||
      curl_url_get(u.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK)
    return "";
  std::string r = host;
  curl_free(host);
  return r;
}

std::string sinConectar(long errnoSistema) {
  switch (errnoSistema) {
    case ECONNREFUSED:
      return "el servidor rechazó la conexión";
    case ENETUNREACH:
    case ENETDOWN:
      return "no hay conexión a la red";
    case EHOSTUNREACH:
      return "no hay ruta hasta el servidor";
    default:
      return "no pude abrir la conexión con el servidor";
  }
}

}  // namespace

std::string describirFalloCurl(CURLcode codigo, const std::string& host, long errnoSistema) {
  switch (codigo) {
    case CURLE_COULDNT_RESOLVE_HOST:
      return host.empty() ? "no encontré el servidor" : "no encontré el servidor " + host;
    case CURLE_COULDNT_RESOLVE_PROXY:
      return "no encontré el proxy de la red";
    case CURLE_COULDNT_CONNECT:
      return sinConectar(errnoSistema);
    case CURLE_OPERATION_TIMEDOUT:
      return "se agotó el tiempo de espera";
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
      return "no pude verificar el certificado del servidor (TLS)";
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CLIENTCERT:
    case CURLE_USE_SSL_FAILED:
      return "falló la conexión segura (TLS)";
    case CURLE_GOT_NOTHING:
      return "el servidor cerró la conexión sin responder";
    case CURLE_PARTIAL_FILE:
      return "la respuesta llegó incompleta";
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3:
    case CURLE_QUIC_CONNECT_ERROR:
      return "se cortó la conexión con el servidor";
    case CURLE_URL_MALFORMAT:
      return "la dirección no es válida";
    case CURLE_UNSUPPORTED_PROTOCOL:
      return "la dirección usa un protocolo no admitido";
    case CURLE_TOO_MANY_REDIRECTS:
      return "el servidor redirigió demasiadas veces";
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
      return "el servidor respondió algo que no entiendo";
    case CURLE_RANGE_ERROR:
      return "el servidor no aceptó continuar desde donde quedó";
    case CURLE_WRITE_ERROR:
      return "no pude guardar lo recibido";
    case CURLE_ABORTED_BY_CALLBACK:
      return "se canceló la transferencia";
    case CURLE_OUT_OF_MEMORY:
      return "no hubo memoria suficiente";
    default:
      return "error de red (código " + std::to_string(static_cast<int>(codigo)) + ")";
  }
}

std::string describirFalloCurl(CURL* easy, CURLcode codigo) {
  char* url = nullptr;
  long errnoSistema = 0;
  curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &url);
  curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &errnoSistema);
  return describirFalloCurl(codigo, hostDe(url), errnoSistema);
}

}  // namespace orvo
