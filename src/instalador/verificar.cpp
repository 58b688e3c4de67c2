// The complete archive: its digest against the published one, then unpacking, then the
// choice between replacing at once and waiting for the running app to quit.
#include <algorithm>
#include <cctype>
#include <system_error>

#include "comun/desempaquetar.h"
#include "comun/sha256.h"
#include "instalador/instalador.h"

namespace orvo {

namespace {

std::string minusculas(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

}  // namespace

void Instalador::descargado(const std::shared_ptr<Instalacion>& inst,
                            const std::filesystem::path& archivo) {
  inst->zip = archivo;
  ++inst->paso;
  inst->pct = 0;
  avisar(*inst);
  std::weak_ptr<int> vivo = vida_;
  Bucle& bucle = plataforma_.bucle;
  bucle.enSegundoPlano([this, vivo, inst, archivo, &bucle] {
    auto huella = sha256(archivo);
    bucle.enPrincipal([this, vivo, inst, huella = std::move(huella)] {
      if (vivo.expired()) return;
      const auto& publicada = inst->app.sha256;
      if (publicada && !publicada->empty() &&
          (!huella || minusculas(*huella) != minusculas(*publicada)))
        return fallar(*inst,
                      "La descarga no coincide con la publicada (la huella es distinta). No "
                      "instalé nada.");
      descomprimir(inst);
    });
  });
}

void Instalador::descomprimir(const std::shared_ptr<Instalacion>& inst) {
  if (!inst->zip || !inst->tmp) return;
  auto zip = *inst->zip;
  auto carpeta = *inst->tmp / "app";
  std::weak_ptr<int> vivo = vida_;
  Bucle& bucle = plataforma_.bucle;
  bucle.enSegundoPlano([this, vivo, inst, zip, carpeta, &bucle] {
    int estado = desempaquetar(zip, carpeta);
    bucle.enPrincipal([this, vivo, inst, carpeta, estado] {
      if (vivo.expired()) return;
      std::error_code e;
      // A cancelled installation's folder is gone by now, so this fails for it too.
      if (estado != 0 || !std::filesystem::exists(carpeta / inst->app.app, e))
        return fallar(*inst, "El zip no trae " + inst->app.app);
      ++inst->paso;
      inst->pct = 0;
      avisar(*inst);
      if (inst->modo == "actualizar" && !inst->propia && catalogo_.abierta(inst->app))
        esperarCierre(inst);
      else
        reemplazar(inst);
    });
  });
}

}  // namespace orvo
