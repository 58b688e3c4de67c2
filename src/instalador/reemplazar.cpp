// The swap: the previous version goes to the backup, the new bundle into the applications
// folder; when the folder refuses, the same moves run once with administrator rights, and
// a failure of those puts the previous version back.
#include <system_error>

#include "comun/archivos.h"
#include "comun/log.h"
#include "instalador/instalador.h"
#include "instalador/orden_reemplazo.h"

namespace orvo {

namespace fs = std::filesystem;

namespace {

const char* const kSinEscribir =
    "No pude escribir en Aplicaciones. Orvo sigue con la versión anterior.";

bool hay(const fs::path& ruta) {
  std::error_code e;
  return fs::exists(fs::symlink_status(ruta, e));
}

}  // namespace

void Instalador::reemplazar(const std::shared_ptr<Instalacion>& inst) {
  if (!inst->tmp) return;
  const auto nuevo = *inst->tmp / "app" / inst->app.app;
  const auto destino = catalogo_.aplicaciones / inst->app.app;
  const auto respaldo = catalogo_.carpeta / "respaldo" / inst->app.app;
  std::error_code e;
  fs::create_directories(respaldo.parent_path(), e);

  std::weak_ptr<int> vivo = vida_;
  Bucle& bucle = plataforma_.bucle;
  Permisos& permisos = plataforma_.permisos;
  bucle.enSegundoPlano([this, vivo, inst, nuevo, destino, respaldo, &bucle, &permisos] {
    bool aparte = false;  // the previous version went to the backup by a plain move
    bool bien = true;
    if (hay(destino)) {
      std::error_code ignorado;
      fs::remove_all(respaldo, ignorado);
      // A copy across filesystems that could not delete its source still fails here.
      bien = !mover(destino, respaldo) && !hay(destino);
      if (bien) {
        aparte = true;
        bucle.enPrincipal([this, vivo, inst] {
          if (vivo.expired()) return;
          ++inst->paso;
          inst->pct = 0;
          avisar(*inst);
        });
      }
    }
    if (bien) bien = !mover(nuevo, destino);

    Error fallo;
    if (!bien) {
      // The command starts by deleting the backup: with the previous version already in
      // it, that would be the only copy. Put it back first, so the command redoes both.
      bool listo = !aparte || hay(destino) || !mover(respaldo, destino);
      Error admin = listo ? permisos.comoAdministrador(ordenDeReemplazo(respaldo, destino, nuevo))
                          : Error("no se pudo devolver la versión anterior a su sitio");
      if (admin) {
        Log::escribir("reemplazo de " + inst->app.nombre + " como administrador: " + *admin);
        if (!hay(destino) && hay(respaldo)) (void)mover(respaldo, destino);
        fallo = kSinEscribir;
      }
    }
    bucle.enPrincipal([this, vivo, inst, destino, fallo] {
      if (vivo.expired()) return;
      if (fallo) return fallar(*inst, *fallo);
      colocada(inst, destino);
    });
  });
}

void Instalador::colocada(const std::shared_ptr<Instalacion>& inst, const fs::path& destino) {
  ++inst->paso;
  inst->pct = 0;
  avisar(*inst);
  if (auto e = plataforma_.espacio.registrar(destino)) Log::escribir(*e);
  catalogo_.anotarInstalada(inst->app);
  int ultimo = static_cast<int>(inst->pasos.size()) - 1;
  if (inst->paso < ultimo) inst->paso = ultimo;
  inst->pct = 0;
  avisar(*inst);
  if (inst->propia)
    reabrirme(inst, destino);
  else
    abrir(inst, destino, 1);
}

}  // namespace orvo
