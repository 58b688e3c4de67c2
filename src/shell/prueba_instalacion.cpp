#include "shell/prueba_instalacion.h"

#include "shell/texto_estado.h"

namespace orvo {

PruebaInstalacion::PruebaInstalacion(Nucleo& nucleo, std::FILE* salida,
                                     std::function<void(int)> salir)
    : nucleo_(nucleo), salida_(salida), salir_(std::move(salir)) {}

std::string PruebaInstalacion::linea(const Instalacion& inst) {
  auto paso = static_cast<size_t>(inst.paso);
  std::string s = std::string(textoFase(inst.fase)) + " \u00b7 paso " + std::to_string(paso + 1) +
                  "/" + std::to_string(inst.pasos.size()) + " " +
                  (paso < inst.pasos.size() ? inst.pasos[paso] : "fin") + " " +
                  std::to_string(static_cast<int>(inst.pct * 100)) + "% " + inst.error.value_or("");
  return s;
}

void PruebaInstalacion::imprimir(const std::string& texto) {
  std::fprintf(salida_, "%s\n", texto.c_str());
  std::fflush(salida_);
}

void PruebaInstalacion::avance(const Instalacion& inst) {
  if (terminado_) return;
  auto l = linea(inst);
  if (l != ultima_) {
    imprimir(l);
    ultima_ = l;
  }
  if (inst.fase == Fase::esperaCierre &&
      nucleo_.plataforma().sistema.entorno("OV_CERRAR") == std::optional<std::string>("1")) {
    auto& instalador = nucleo_.instalador();
    nucleo_.plataforma().bucle.despues(1.0, [&instalador] { instalador.cerrarApp(std::nullopt); });
  }
  if (inst.fase == Fase::error || inst.fase == Fase::autorizar) {
    terminado_ = true;
    imprimir(std::string("FIN ") + textoFase(inst.fase));
    salir_(inst.fase == Fase::error ? 1 : 0);
  }
}

void PruebaInstalacion::comenzar(const std::string& id) {
  auto& instalador = nucleo_.instalador();
  instalador.alCambiar = [this](const Instalacion& inst) { avance(inst); };
  instalador.alTerminar = [this](const Instalacion&) {
    if (terminado_) return;
    terminado_ = true;
    imprimir("FIN lista");
    salir_(0);
  };
  auto& catalogo = nucleo_.catalogo();
  catalogo.revisar([this, &catalogo, &instalador, id] {
    // A server without a session sets no error: it was never asked.
    std::string fuente =
        catalogo.necesitaLogin() ? "hace falta iniciar sesión en " + catalogo.base().texto() : "ok";
    imprimir(
        "fuente: " + catalogo.errorFuente.value_or(nucleo_.cuenta().errorLogin.value_or(fuente)) +
        " \u00b7 estado: " + textoEstado(catalogo.estadoApps()));
    auto fin = [this](const char* texto) {
      terminado_ = true;
      imprimir(texto);
      salir_(1);
    };
    const AppRemota* app = nullptr;
    if (catalogo.manifiesto)
      for (const auto& a : catalogo.manifiesto->apps)
        if (a.id == id) app = &a;
    if (!app) return fin("FIN sin app");
    if (nucleo_.plataforma().sistema.entorno("OV_PRUEBA_VOLVER") != std::optional<std::string>("1"))
      return instalador.comenzar(*app, false);
    instalador.volver(*app);
    if (!instalador.enCurso(id) && !terminado_) fin("FIN sin respaldo");
  });
}

}  // namespace orvo
