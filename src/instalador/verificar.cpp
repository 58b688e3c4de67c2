// The complete archive: its digest against the published one, then unpacking, then the
// choice between replacing at once and waiting for the running app to quit.
#include <algorithm>
#include <cctype>
#include <system_error>

#include "comun/desempaquetar.h"
#include "comun/log.h"
#include "comun/sha256.h"
#include "instalador/instalador.h"

namespace orvo {

namespace {

std::string minusculas(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// An app's archive holds code and resources that deflate seldom shrinks more than tenfold;
// far past that, the archive is built to fill the disk.
constexpr MedidaDesempaque kMedidaApp{.proporcion = 40, .minimo = 256ull << 20};

std::string mensajeDesempaque(const AppRemota& app, Desempaque d) {
  std::string motivo =
      d.porEspacio ? "no queda espacio en la carpeta temporal" : motivoDesempaque(d, "una app");
  return "No pude desempaquetar " + app.app + ": " + motivo + ". No instalé nada.";
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
      bool distinta = publicada && !publicada->empty() &&
                      (!huella || minusculas(*huella) != minusculas(*publicada));
      // An assembled archive that does not match proves nothing about the server's file.
      if (distinta && inst->armada && inst->url) {
        inst->armada = false;
        inst->zip.reset();
        --inst->paso;
        Log::escribir("descarga parcial de " + inst->app.nombre +
                      ": la huella no coincide; se baja entera");
        return iniciarDescarga(inst, *inst->url, std::nullopt);
      }
      if (distinta)
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
    auto resultado = desempaquetarAcotado(zip, carpeta, kMedidaApp);
    bucle.enPrincipal([this, vivo, inst, carpeta, resultado] {
      if (vivo.expired()) return;
      std::error_code e;
      auto bundle = carpeta / inst->app.app;
      // Not a zip, or one without the bundle; a cancelled installation's folder is gone by
      // now, so this fails for it too.
      if (resultado.fallo == kSinZip || resultado.fallo == kDanado ||
          (resultado.fallo == 0 &&
           !std::filesystem::exists(std::filesystem::symlink_status(bundle, e))))
        return fallar(*inst, "El zip no trae " + inst->app.app);
      if (resultado.fallo != 0) return fallar(*inst, mensajeDesempaque(inst->app, resultado));
      // Nothing half-written or foreign ever takes the place of a working app.
      if (auto malo = revisarBundle(bundle, catalogo_.bundles(inst->app), plataforma_.espacio))
        return fallar(*inst,
                      "El zip trae " + inst->app.app + ", pero " + *malo + ". No instalé nada.");
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
