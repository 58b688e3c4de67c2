#include "plataforma/consejo_http.h"

namespace orvo {

std::string consejoHttp(int estado) {
  if (estado < 400) return "";
  switch (estado) {
    case 401:
    case 403:
      return "El servidor no te dio acceso: cierra la sesión y vuelve a iniciarla.";
    case 404:
    case 410:
      return "Esa dirección no existe en el servidor: revisa la fuente o avisa a quien publica "
             "el catálogo.";
    case 407:
      return "El proxy de la red pide usuario y contraseña: escríbelos en la dirección del "
             "proxy, en los ajustes del sistema o en http_proxy y https_proxy.";
    case 408:
    case 429:
      return "El servidor está muy ocupado: vuelve a intentarlo en unos minutos.";
  }
  if (estado >= 500) return "El servidor tiene un problema: vuelve a intentarlo en unos minutos.";
  return "Vuelve a intentarlo; si sigue pasando, avisa a quien publica el catálogo.";
}

}  // namespace orvo
