// Updates that fetch only what changed: the archive kept after the last installation of
// the app gives every entry the new build did not touch, ranges of the new archive bring
// the rest, and the published digest decides as for a whole download. Any doubt on the way
// means the whole download, never a failure. And the keeping itself, after a success.
#include <system_error>

#include "comun/log.h"
#include "instalador/descarga_parcial.h"
#include "instalador/guardados.h"
#include "instalador/instalador.h"

namespace orvo {

namespace {

constexpr double kEsperaPeticion = 30;  // seconds without data before a range gives up

std::string mb(int64_t bytes) { return std::to_string((bytes + 524'288) / 1'048'576); }

}  // namespace

void Instalador::descargar(const std::shared_ptr<Instalacion>& inst, const Ubicacion& url) {
  std::optional<std::filesystem::path> guardado;
  bool conHuella = inst->app.sha256 && !inst->app.sha256->empty();
  if (inst->modo == "actualizar" && conHuella)
    guardado = archivoGuardado(carpetaGuardados(plataforma_.sistema), inst->app.id);
  std::error_code e;
  if (!guardado || !std::filesystem::is_regular_file(*guardado, e) || !inst->tmp)
    return iniciarDescarga(inst, url, std::nullopt);

  inst->url = url;
  inst->muestra = {plataforma_.bucle.ahora(), 0};
  auto peticion = catalogo_.solicitud(url.texto());
  peticion.espera = kEsperaPeticion;
  std::weak_ptr<int> vivo = vida_;
  std::weak_ptr<Instalacion> debil = inst;
  auto vive = [vivo, debil]() -> std::shared_ptr<Instalacion> {
    auto i = debil.lock();
    return !vivo.expired() && i && i->activa() ? i : nullptr;
  };
  inst->parcial = std::make_shared<DescargaParcial>(
      plataforma_.bucle, sesion_, std::move(peticion), *guardado, *inst->tmp / "descarga.zip",
      [this, vive](int64_t bytes, int64_t total) {
        if (auto i = vive()) avanzar(*i, bytes, total);
      },
      [this, vive](DescargaParcial::Fin fin) {
        if (auto i = vive()) parcialLista(i, fin.duda, fin.pedidos, fin.total);
      });
  inst->parcial->comenzar();
}

void Instalador::parcialLista(const std::shared_ptr<Instalacion>& inst,
                              std::optional<std::string> duda, int64_t pedidos, int64_t total) {
  inst->parcial.reset();
  if (!inst->tmp || !inst->url) return;
  auto linea = "descarga parcial de " + inst->app.nombre + ": ";
  if (duda) {
    Log::escribir(linea + *duda + "; se baja entera");
    return iniciarDescarga(inst, *inst->url, std::nullopt);
  }
  Log::escribir(linea + mb(pedidos) + " MB de " + mb(total) + " MB");
  inst->armada = true;
  descargado(inst, *inst->tmp / "descarga.zip");
}

void Instalador::guardarParaLaProxima(const std::shared_ptr<Instalacion>& inst,
                                      std::function<void()> luego) {
  // Only an archive that came from a server and matched its published digest is worth
  // keeping: a partial update trusts nothing else.
  bool verificada = inst->app.sha256 && !inst->app.sha256->empty();
  auto destino = archivoGuardado(carpetaGuardados(plataforma_.sistema), inst->app.id);
  if (inst->modo == "volver" || !inst->url || !inst->zip || !verificada || !destino) return luego();
  auto zip = *inst->zip;
  std::weak_ptr<int> vivo = vida_;
  Bucle& bucle = plataforma_.bucle;
  bucle.enSegundoPlano([vivo, zip, destino = *destino, luego = std::move(luego), &bucle] {
    auto fallo = guardarArchivo(zip, destino);
    bucle.enPrincipal([vivo, fallo, luego] {
      if (vivo.expired()) return;
      if (fallo) Log::escribir("no guardé el archivo para la próxima actualización: " + *fallo);
      luego();
    });
  });
}

}  // namespace orvo
