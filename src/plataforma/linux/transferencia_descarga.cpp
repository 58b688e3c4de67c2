#include "plataforma/linux/transferencia_descarga.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>
#include <system_error>

#include <unistd.h>

namespace orvo {

namespace fs = std::filesystem;

namespace {

constexpr long kConectar = 30;  // seconds to connect
constexpr long kSinDatos = 30;  // seconds without a byte before curl gives up
constexpr size_t kBufferArchivo = 1u << 20;

}  // namespace

std::string motivoDeEscritura(int codigo) {
  return codigo == ENOSPC ? "no queda espacio en el disco" : "no pude guardar lo recibido";
}

DescargasCurl::Transferencia::~Transferencia() { cerrarArchivo(); }

void DescargasCurl::Transferencia::cerrarArchivo() {
  if (archivo) std::fclose(archivo);
  archivo = nullptr;
}

long DescargasCurl::Transferencia::estado() const {
  long e = 0;
  curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &e);
  return e;
}

std::optional<std::string> DescargasCurl::Transferencia::preparar(
    const fs::path& destino, const std::optional<DatosRetomar>& retomar) {
  if (!easy) return "no hubo memoria suficiente";
  parcial = destino;
  std::error_code e;
  // Only a partial file that still holds what was received, from a server that named
  // its file, can be continued; anything else starts over.
  if (retomar && retomar->bytes > 0 && !retomar->validador.empty() &&
      fs::file_size(parcial, e) >= static_cast<uintmax_t>(retomar->bytes) && !e) {
    fs::resize_file(parcial, retomar->bytes, e);
    if (!e) {
      desde = escritos = retomar->bytes;
      validador = retomar->validador;
    }
  }
  archivo = std::fopen(parcial.c_str(), desde > 0 ? "r+b" : "wb");
  if (!archivo) return std::string("no pude guardar lo recibido (") + std::strerror(errno) + ")";
  std::fseek(archivo, 0, SEEK_END);
  std::setvbuf(archivo, nullptr, _IOFBF, kBufferArchivo);

  if (auto fallo = configurarPeticion(easy.get(), peticion, cabeceras)) return fallo;
  if (desde > 0) {
    if (!cabeceras.agregar("If-Range: " + validador)) return "no hubo memoria suficiente";
    curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, cabeceras.lista());
    curl_easy_setopt(easy.get(), CURLOPT_RANGE, (std::to_string(desde) + "-").c_str());
  }
  // A download may take hours: no limit on the whole exchange, only on silence.
  curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT_MS, 0L);
  curl_easy_setopt(easy.get(), CURLOPT_CONNECTTIMEOUT, kConectar);
  curl_easy_setopt(easy.get(), CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy.get(), CURLOPT_LOW_SPEED_TIME, kSinDatos);
  curl_easy_setopt(easy.get(), CURLOPT_BUFFERSIZE, 256L * 1024);
  curl_easy_setopt(easy.get(), CURLOPT_HEADERFUNCTION, CabecerasDeRango::deCurl);
  curl_easy_setopt(easy.get(), CURLOPT_HEADERDATA, &respuesta);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, recibir);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy.get(), CURLOPT_PRIVATE, this);
  return std::nullopt;
}

bool DescargasCurl::Transferencia::decidir() {
  decidido = true;
  long e = estado();
  curl_off_t largo = -1;
  curl_easy_getinfo(easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &largo);
  std::string nuevo = respuesta.validador();
  if (desde > 0 && e == 206) {
    int64_t inicio = 0, total = -1;
    if (!leerRango(respuesta.rango, inicio, total) || inicio != desde) {
      falloPropio = "el servidor no continuó desde donde quedó";
      return false;
    }
    esperados = total >= 0 ? total : (largo >= 0 ? desde + largo : -1);
    return true;
  }
  // The whole file again (the range was ignored, or the file changed), or an error page:
  // it replaces whatever the partial file held.
  if (desde > 0) {
    std::fflush(archivo);
    if (::ftruncate(::fileno(archivo), 0) != 0 || std::fseek(archivo, 0, SEEK_SET) != 0) {
      falloPropio = "no pude guardar lo recibido";
      return false;
    }
    desde = escritos = 0;
  }
  validador = e >= 200 && e < 300 ? nuevo : "";
  esperados = largo;
  return true;
}

size_t DescargasCurl::Transferencia::recibir(char* datos, size_t, size_t n, void* yo) {
  auto& t = *static_cast<Transferencia*>(yo);
  if (!t.decidido && !t.decidir()) return 0;
  // A server that keeps sending must not fill the disk: the file ends at its declared length
  // or at the published size, whichever is smaller.
  int64_t tope = t.esperados;
  if (t.peticion.tamPublicado && (tope < 0 || *t.peticion.tamPublicado < tope) &&
      t.estado() / 100 == 2)
    tope = *t.peticion.tamPublicado;
  if (tope >= 0 && t.escritos + static_cast<int64_t>(n) > tope) {
    t.falloPropio = "el servidor envió más datos de los anunciados";
    return 0;
  }
  if (std::fwrite(datos, 1, n, t.archivo) != n) {
    t.falloPropio =
        errno == ENOSPC ? "no queda espacio en el disco" : "no pude guardar lo recibido";
    return 0;
  }
  t.escritos += static_cast<int64_t>(n);
  if (t.alAvanzar) t.alAvanzar(t);
  return n;
}

std::optional<DatosRetomar> DescargasCurl::Transferencia::retomar() const {
  long e = estado();
  if (!decidido || e < 200 || e >= 300 || falloPropio) return std::nullopt;
  return DatosRetomar{peticion, parcial, escritos, validador};
}

}  // namespace orvo
