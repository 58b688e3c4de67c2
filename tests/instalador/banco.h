// An installer on the real platform pieces in a folder of its own: an applications
// folder, a data folder, the real desktop, the local test server, and either the real
// download session or a scripted one whose notices the test sends, for the watchdog's
// decisions on the virtual clock. Every app process started from the folder is killed at
// the end.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "apoyo/app_prueba.h"
#include "apoyo/bucle_manual.h"
#include "apoyo/bundles_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/inertes.h"
#include "apoyo/servidor_prueba.h"
#include "apoyo/sistema_prueba.h"
#include "plataforma/linux/descargas_curl.h"
#include "plataforma/linux/http_curl.h"
#include "shell/nucleo.h"

namespace orvo::prueba {

class DescargasGuion : public Descargas {
 public:
  struct Inicio {
    TareaDescarga tarea;
    std::optional<DatosRetomar> retomar;
  };
  std::vector<Inicio> inicios;
  std::vector<TareaDescarga> canceladas;
  // Switches waiting for the test's answer.
  std::vector<std::function<void(std::optional<DatosRetomar>)>> retomando;
  Avisos avisos;

  void avisar(Avisos a) override { avisos = std::move(a); }
  TareaDescarga iniciar(PeticionHttp, std::optional<DatosRetomar> r) override {
    inicios.push_back({++ultima_, std::move(r)});
    return ultima_;
  }
  void cancelarRetomando(TareaDescarga t,
                         std::function<void(std::optional<DatosRetomar>)> listo) override {
    canceladas.push_back(t);
    retomando.push_back(std::move(listo));
  }
  void cancelar(TareaDescarga t) override { canceladas.push_back(t); }
  // The scripted session serves no ranges: a partial update falls back at once.
  TareaDescarga pedirTramos(PedidoTramos, std::function<void(int64_t)>,
                            std::function<void(RespuestaTramos)> listo) override {
    listo({"sin tramos en el guion"});
    return ++ultima_;
  }
  TareaDescarga ultima() const { return ultima_; }

 private:
  TareaDescarga ultima_ = 0;
};

struct Banco {
  // `descargasReales`: the libcurl session; else the scripted one.
  explicit Banco(bool descargasReales = true);
  ~Banco();

  Catalogo& catalogo() { return nucleo->catalogo(); }
  Instalador& instalador() { return nucleo->instalador(); }

  // Zips "Prueba <id>.app" into `carpeta` (see empaquetarApp) and returns its entry.
  AppRemota empaquetar(const std::string& id, const std::string& version,
                       const std::string& script = kScriptQueEspera, bool ejecutable = true,
                       size_t relleno = 0);
  // Installs a copy of that bundle (without zipping) straight into the applications folder.
  std::filesystem::path instalarAMano(const std::string& id, const std::string& version);

  // Runs until the installation of `id` is no longer active or reaches `fase`, or
  // `segundos` of wall time pass. The virtual clock moves only while no download runs,
  // so the installer's timed checks come due without the watchdog seeing a stall.
  bool esperarFin(const std::string& id, double segundos = 20,
                  std::optional<Fase> fase = std::nullopt);
  // The phases and steps reported through alCambiar, in order, without repeats.
  std::vector<std::string> lineas;
  std::string log() const;
  // The program killed and started again: a new core and download session on the same folders.
  void reiniciar();

  CarpetaTemporal t;
  std::filesystem::path apps, datos, carpeta;
  BucleManual bucle;
  SistemaPrueba sistema;
  ServidorPrueba servidor;
  HttpCurl http;
  std::unique_ptr<EspacioDePrueba> espacio;
  DescargasGuion guion;
  std::unique_ptr<DescargasCurl> curl;
  // The swap never needs an administrator here; the fallback is in cambio_test.cpp.
  PermisosInertes permisos;
  std::unique_ptr<Nucleo> nucleo;
  int terminadas = 0;

 private:
  void armar();
};

}  // namespace orvo::prueba
