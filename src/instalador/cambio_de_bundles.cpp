#include "instalador/cambio_de_bundles.h"

#include <system_error>

#include "comun/comillas.h"
#include "comun/log.h"
#include "instalador/orden_reemplazo.h"

namespace orvo {

namespace fs = std::filesystem;

namespace {

bool hay(const fs::path& ruta) {
  std::error_code e;
  return fs::exists(fs::symlink_status(ruta, e));
}

}  // namespace

Error cambiarBundles(const RutasDeCambio& r, Permisos& permisos, const Mover& mover,
                     const std::function<void()>& alApartar) {
  bool aparte = false;
  bool bien = true;
  if (hay(r.destino)) {
    std::error_code ignorado;
    fs::remove_all(r.respaldo, ignorado);
    // A copy across filesystems that could not delete its source still counts as failed.
    bien = !mover(r.destino, r.respaldo) && !hay(r.destino);
    if (bien) {
      aparte = true;
      alApartar();
    }
  }
  if (bien && !mover(r.nuevo, r.destino)) return std::nullopt;

  // The command starts by deleting the backup: with the previous version already in it,
  // that would delete the only copy. Put it back first, so the command redoes both moves.
  bool enSuSitio = !aparte || hay(r.destino) || !mover(r.respaldo, r.destino);
  // /Applications does not exist on a fresh Linux system; creating it needs the same rights.
  auto orden = ordenDeReemplazo(r.respaldo, r.destino, r.nuevo);
  if (!hay(r.destino.parent_path()))
    orden = "mkdir -p " + entreComillas(r.destino.parent_path()) + " && " + orden;
  Error admin = enSuSitio ? permisos.comoAdministrador(orden)
                          : Error("no se pudo devolver la versión anterior a su sitio");
  if (!admin) return std::nullopt;
  Log::escribir("reemplazo como administrador: " + *admin);
  if (!hay(r.destino) && hay(r.respaldo)) (void)mover(r.respaldo, r.destino);
  return "No pude escribir en Aplicaciones. Orvo sigue con la versión anterior.";
}

}  // namespace orvo
