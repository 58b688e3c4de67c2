// The swap off the main thread, then, on it, registration, the record of the installed
// version and the opening of the new app (or of the one a going back put back).
#include <system_error>

#include "comun/archivos.h"
#include "comun/log.h"
#include "instalador/cambio_de_bundles.h"
#include "instalador/instalador.h"

namespace orvo {

namespace fs = std::filesystem;

void Instalador::reemplazar(const std::shared_ptr<Instalacion>& inst) {
  if (inst->modo == "volver") return restaurar(inst);
  if (!inst->tmp) return;
  RutasDeCambio rutas{*inst->tmp / "app" / inst->app.app, catalogo_.aplicaciones / inst->app.app,
                      catalogo_.carpeta / "respaldo" / inst->app.app};
  // The program's own update replaces the bundle that runs, wherever it was installed
  // (/opt for the packaged program), so its launcher and desktop entry keep working.
  if (inst->propia)
    if (auto propia = plataforma_.sistema.rutaPropia()) rutas.destino = *propia;
  std::error_code e;
  fs::create_directories(rutas.respaldo.parent_path(), e);
  // The applications folder may not exist yet (a fresh system); without rights for it the
  // administrator fallback makes it.
  fs::create_directories(rutas.destino.parent_path(), e);

  std::weak_ptr<int> vivo = vida_;
  Bucle& bucle = plataforma_.bucle;
  Permisos& permisos = plataforma_.permisos;
  bucle.enSegundoPlano([this, vivo, inst, rutas, &bucle, &permisos] {
    auto fallo = cambiarBundles(rutas, permisos, mover, [&] {
      bucle.enPrincipal([this, vivo, inst] {
        if (vivo.expired()) return;
        ++inst->paso;
        inst->pct = 0;
        avisar(*inst);
      });
    });
    bucle.enPrincipal([this, vivo, inst, destino = rutas.destino, fallo] {
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
  guardarParaLaProxima(inst, [this, inst, destino] { registrada(inst, destino); });
}

void Instalador::registrada(const std::shared_ptr<Instalacion>& inst, const fs::path& destino) {
  // The program's own bundle came with its menu entry; a second one would list it twice.
  if (!inst->propia)
    if (auto e = plataforma_.espacio.registrar(destino)) Log::escribir(*e);
  catalogo_.anotarInstalada(inst->app);
  int ultimo = static_cast<int>(inst->pasos.size()) - 1;
  if (inst->paso < ultimo) inst->paso = ultimo;
  inst->pct = 0;
  avisar(*inst);
  if (inst->propia)
    reabrirme(inst, destino);
  else if (inst->abrirAlTerminar)
    abrir(inst, destino, 1);
  else
    terminar(inst);
}

}  // namespace orvo
