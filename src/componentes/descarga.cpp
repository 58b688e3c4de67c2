// Bringing a component's archive in and checking it: the download streams to a file on
// the HTTP session's thread, the checks run on a worker, the outcome lands on the main
// thread.
#include <system_error>

#include "catalogo/catalogo.h"
#include "componentes/componentes.h"
#include "componentes/preparar.h"
#include "comun/archivos.h"
#include "comun/log.h"

namespace orvo {

namespace fs = std::filesystem;

namespace {

// Archives are add-ons, not whole apps; anything past this is not one of them.
constexpr size_t kArchivoMaximo = size_t(4) << 30;

}  // namespace

void Componentes::descargar(const ComponenteRemoto& r) {
  auto origen = catalogo_.urlDe(r.url);
  auto preparando = carpeta().preparando();
  std::weak_ptr<int> vivo = vida_;
  Bucle& bucle = plataforma_.bucle;
  auto alTerminar = [this, vivo, &bucle, r](Resultado<fs::path> resultado) {
    bucle.enPrincipal([this, vivo, r, resultado = std::move(resultado)]() mutable {
      if (!vivo.expired()) preparado(r, std::move(resultado));
    });
  };

  // A local source needs no transfer: the checks read the file where it is.
  if (origen.enDisco()) {
    bucle.enSegundoPlano([r, zip = origen.archivo, preparando, alTerminar] {
      std::error_code e;
      if (!fs::is_regular_file(zip, e))
        return alTerminar(
            Resultado<fs::path>::fallo("Se cortó la descarga: no encuentro el archivo " +
                                       zip.filename().string() + " en la fuente"));
      alTerminar(preparar(zip, r, preparando));
    });
    return;
  }

  auto zip = preparando / (r.id + "-" + uuidMayusculas() + ".zip");
  // The catalogue's minute is a limit on silence: a large archive on a slow line that keeps
  // coming is not cut, a stalled one ends within that minute.
  auto peticion = catalogo_.solicitud(origen.texto());
  peticion.limiteCuerpo = kArchivoMaximo;
  plataforma_.http.descargar(
      std::move(peticion), zip, [&bucle, r, zip, preparando, alTerminar](RespuestaHttp respuesta) {
        std::optional<std::string> fallo;
        if (!respuesta.estado)
          fallo = "Se cortó la descarga: " + respuesta.error.value_or("error desconocido");
        else if (*respuesta.estado >= 400)
          fallo = "El servidor respondió " + std::to_string(*respuesta.estado);
        else if (respuesta.excedido)
          fallo = "Se cortó la descarga: el archivo pesa más de " +
                  std::to_string(kArchivoMaximo >> 20) + " MB";
        if (fallo) {
          std::error_code e;
          fs::remove(zip, e);
          return alTerminar(Resultado<fs::path>::fallo(*fallo));
        }
        bucle.enSegundoPlano([r, zip, preparando, alTerminar] {
          auto resultado = preparar(zip, r, preparando);
          std::error_code e;
          fs::remove(zip, e);
          alTerminar(std::move(resultado));
        });
      });
}

void Componentes::preparado(const ComponenteRemoto& r, Resultado<fs::path> resultado) {
  descargando.erase(r.id);
  std::optional<std::string> fallo;
  if (!resultado) fallo = resultado.error();
  // The release waits in `.pendientes` until it can be placed; an older one waiting
  // there is superseded.
  auto destino = carpeta().pendiente(r.id);
  if (!fallo) {
    if (auto e = carpeta().descartar(destino))
      fallo = "No pude preparar el componente (" + *e + ")";
    else
      fallo = mover(resultado.valor(), destino);
    if (fallo) {
      quitarArbol(resultado.valor());
    }
  }
  if (fallo) {
    Log::escribir("componente " + r.id + ": " + *fallo);
    return fallar(r.id, *fallo);
  }
  colocar(r, destino);
}

}  // namespace orvo
