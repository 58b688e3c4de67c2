#include "instalador/cambio_de_bundles.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "comun/archivos.h"
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

// Into an empty place only: something that appeared there meanwhile is never overwritten.
Error colocarSinReemplazar(const fs::path& desde, const fs::path& hacia) {
  if (::syscall(SYS_renameat2, AT_FDCWD, desde.c_str(), AT_FDCWD, hacia.c_str(),
                RENAME_NOREPLACE) != 0)
    return "No pude mover " + desde.string() + ": " + std::strerror(errno);
  return std::nullopt;
}

// Bytes a copy of `bundle` needs on the applications folder's disk; none when a rename
// takes it there.
uint64_t espacioQueFalta(const fs::path& bundle, const fs::path& carpeta) {
  struct stat a {
  }, b{};
  if (::stat(bundle.c_str(), &a) != 0 || ::stat(carpeta.c_str(), &b) != 0 || a.st_dev == b.st_dev)
    return 0;
  uint64_t hace = 1 << 20;
  std::error_code e;
  for (fs::recursive_directory_iterator it(bundle, e), fin; !e && it != fin; it.increment(e))
    if (it->is_regular_file(e)) hace += it->file_size(e) + 4096;
  struct statvfs v {};
  if (::statvfs(carpeta.c_str(), &v) != 0) return 0;
  uint64_t libre = uint64_t(v.f_bavail) * v.f_frsize;
  return hace > libre ? hace - libre : 0;
}

bool mismoDisco(const fs::path& a, const fs::path& b) {
  struct stat x {
  }, y{};
  return ::stat(a.c_str(), &x) == 0 && ::stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev;
}

std::string sinEspacio(const fs::path& carpeta, const std::string& nombre, uint64_t falta,
                       const std::string& sigue) {
  return "No queda espacio en " + carpeta.string() + " para " + nombre + " (faltan " +
         std::to_string(falta / 1'048'576 + 1) + " MB). " + sigue;
}

}  // namespace

Error cambiarBundles(const RutasDeCambio& r, Permisos& permisos, const Mover& mover,
                     const std::function<void()>& alApartar) {
  const auto nombre = r.destino.filename().string();
  quitarRestos(r.destino.parent_path(), nombre);
  quitarRestos(r.respaldo.parent_path(), nombre);
  const bool habia = hay(r.destino);
  const std::string sigue = habia ? "Orvo sigue con la versión anterior." : "No instalé nada.";
  // A full disk is no matter for an administrator: said as it is, before any copy starts.
  if (auto falta = espacioQueFalta(r.nuevo, r.destino.parent_path()))
    return sinEspacio(r.destino.parent_path(), nombre, falta, sigue);

  // The new bundle is made whole on the applications folder's own filesystem, beside the
  // installed one, which stays in place until one exchange puts the new one there.
  auto preparado = hermanoOculto(r.destino);
  Error fallo = mover(r.nuevo, preparado);
  if (!fallo) fallo = sincronizar(preparado);
  if (!fallo)
    fallo = habia ? intercambiar(preparado, r.destino) : colocarSinReemplazar(preparado, r.destino);
  if (!fallo) {
    if (habia) {
      alApartar();
      // The backup is a convenience: failing to keep it does not undo the update.
      quitar(r.respaldo);
      if (auto e = mover(preparado, r.respaldo)) {
        Log::escribir("no se guardó la versión anterior: " + *e);
        quitar(preparado);
      }
    }
    return std::nullopt;
  }
  Log::escribir("reemplazo sin permisos especiales: " + *fallo);
  // Whatever part of the new bundle reached the staging place goes back, for the command.
  if (!hay(r.nuevo)) (void)mover(preparado, r.nuevo);
  quitar(preparado);

  auto orden = ordenDeReemplazo(r.respaldo, r.destino, r.nuevo);
  // /Applications does not exist on a fresh Linux system; creating it needs the same rights.
  if (!hay(r.destino.parent_path()))
    orden = "mkdir -p " + entreComillas(r.destino.parent_path()) + " && " + orden;
  Error admin = hay(r.nuevo) ? permisos.comoAdministrador(orden)
                             : Error("la versión nueva ya no está en la carpeta de trabajo");
  if (!admin) return std::nullopt;
  Log::escribir("reemplazo como administrador: " + *admin);
  if (!hay(r.destino) && hay(r.respaldo)) (void)mover(r.respaldo, r.destino);
  return "No pude escribir en Aplicaciones. " + sigue;
}

Error volverBundles(const fs::path& respaldo, const fs::path& destino, Permisos& permisos) {
  const auto nombre = destino.filename().string();
  quitarRestos(destino.parent_path(), nombre);
  quitarRestos(respaldo.parent_path(), respaldo.filename().string());
  const std::string sigue = "Sigue instalada la versión que tenías.";
  const bool mismo = mismoDisco(respaldo, destino);
  const auto aqui = hermanoOculto(destino), alla = hermanoOculto(respaldo);
  Error fallo;
  if (mismo) {
    fallo = intercambiar(respaldo, destino);
    if (!fallo) {
      (void)sincronizar(destino);
      return std::nullopt;
    }
  } else {
    if (auto falta = espacioQueFalta(respaldo, destino.parent_path()))
      return sinEspacio(destino.parent_path(), nombre, falta, sigue);
    if (auto falta = espacioQueFalta(destino, respaldo.parent_path()))
      return sinEspacio(respaldo.parent_path(), nombre, falta, sigue);
    fallo = copiar(respaldo, aqui);
    if (!fallo) fallo = copiar(destino, alla);
    if (!fallo) fallo = intercambiar(aqui, destino);
    if (!fallo) {
      // The version is back; keeping the one that left is a convenience.
      if (auto e = intercambiar(alla, respaldo))
        Log::escribir("no se guardó la versión que se deja: " + *e);
      quitar(aqui);
      quitar(alla);
      return std::nullopt;
    }
    quitar(aqui);
    quitar(alla);
  }
  Log::escribir("vuelta sin permisos especiales: " + *fallo);
  if (auto admin =
          permisos.comoAdministrador(ordenDeVuelta(respaldo, destino, mismo, aqui, alla))) {
    Log::escribir("vuelta como administrador: " + *admin);
    return "No pude escribir en Aplicaciones. " + sigue;
  }
  return std::nullopt;
}

}  // namespace orvo
