#include "plataforma/linux/errores_curl.h"

#include <cerrno>
#include <memory>

#include "plataforma/linux/proxy.h"

namespace orvo {

namespace {

const char* const kRevisaProxy =
    ". Revisa los ajustes de proxy del sistema o las variables http_proxy y https_proxy.";
const char* const kRevisaRed = ". Revisa que este equipo tenga conexión a internet.";

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
      return std::string("el servidor rechazó la conexión") +
             ". Puede estar detenido o en mantenimiento: vuelve a intentarlo en unos minutos.";
    case ENETUNREACH:
    case ENETDOWN:
      return std::string("no hay conexión a la red") + kRevisaRed;
    case EHOSTUNREACH:
      return std::string("no hay ruta hasta el servidor") + kRevisaRed;
    default:
      return std::string("no pude abrir la conexión con el servidor") + kRevisaRed;
  }
}

// The proxy answered CONNECT with a refusal: the server was never reached.
std::string proxyNoDejo(const ContextoFallo& c) {
  auto codigo = " (" + std::to_string(c.respuestaProxy) + ")";
  if (c.respuestaProxy == 407)
    return "el proxy de la red pide usuario y contraseña" + codigo +
           ". Escríbelos en la dirección del proxy, en los ajustes del sistema o en "
           "https_proxy.";
  return "el proxy de la red no dejó pasar la conexión" + codigo +
         ". Pide a quien administra la red que permita llegar a este servidor.";
}

}  // namespace

std::string describirFalloCurl(CURLcode codigo, const ContextoFallo& c) {
  if (c.respuestaProxy >= 400) return proxyNoDejo(c);
  auto conProxy = [&](const std::string& que) {
    return c.proxy.empty() ? que : que + " (a través del proxy " + c.proxy + ")";
  };
  switch (codigo) {
    case CURLE_COULDNT_RESOLVE_HOST:
      return (c.host.empty() ? std::string("no encontré el servidor")
                             : "no encontré el servidor " + c.host) +
             ". Revisa que la dirección esté bien escrita y que este equipo tenga conexión a "
             "internet.";
    case CURLE_COULDNT_RESOLVE_PROXY:
      return (c.proxy.empty() ? std::string("no encontré el proxy de la red")
                              : "no encontré el proxy de la red " + c.proxy) +
             kRevisaProxy;
    case CURLE_COULDNT_CONNECT:
      if (!c.proxy.empty())
        return "no pude conectarme al proxy de la red " + c.proxy + kRevisaProxy;
      return sinConectar(c.errnoSistema);
    case CURLE_PROXY:
      return conProxy("el proxy de la red rechazó la conexión") + kRevisaProxy;
    case CURLE_OPERATION_TIMEDOUT:
      return conProxy("se agotó el tiempo de espera") +
             ". La red o el servidor van lentos: vuelve a intentarlo en unos minutos.";
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
      return std::string("no pude verificar el certificado del servidor (TLS)") +
             ". Revisa que la fecha y la hora del equipo sean correctas; si la red usa un proxy "
             "que inspecciona las conexiones, instala su certificado en el sistema.";
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CLIENTCERT:
    case CURLE_USE_SSL_FAILED:
      return conProxy("falló la conexión segura (TLS)");
    case CURLE_GOT_NOTHING:
      return conProxy("el servidor cerró la conexión sin responder");
    case CURLE_PARTIAL_FILE:
      return conProxy("la respuesta llegó incompleta");
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3:
    case CURLE_QUIC_CONNECT_ERROR:
      return conProxy("se cortó la conexión con el servidor");
    case CURLE_URL_MALFORMAT:
      return "la dirección no es válida";
    case CURLE_UNSUPPORTED_PROTOCOL:
      return "la dirección usa un protocolo no admitido";
    case CURLE_TOO_MANY_REDIRECTS:
      return "el servidor redirigió demasiadas veces";
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
      return conProxy("el servidor respondió algo que no entiendo");
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
  ContextoFallo c;
  curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &url);
  curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &c.errnoSistema);
  curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &c.respuestaProxy);
  c.host = hostDe(url);
  if (url)
    if (auto proxy = proxyPara(url)) c.proxy = nombreDeProxy(*proxy);
  return describirFalloCurl(codigo, c);
}

}  // namespace orvo
