// The installer on the real platform pieces (see NucleoEnServidor) with either the real
// download session or a scripted one whose notices the test sends, for the watchdog's
// decisions on the virtual clock. The swap never needs an administrator here (the fallback
// is in cambio_test.cpp). Every app process started from the folder is killed at the end.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "apoyo/app_prueba.h"
#include "apoyo/nucleo_servidor.h"
#include "comun/archivos.h"
#include "plataforma/linux/descargas_curl.h"
#include "shell/prueba_instalacion.h"

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

// Signed out: each test points the source at the test server or at `carpeta`.
class Banco : public NucleoEnServidor {
 protected:
  // `descargasReales`: the libcurl session; else the scripted one.
  explicit Banco(bool descargasReales = true) : NucleoEnServidor("", false) {
    std::filesystem::create_directories(carpeta);
    reiniciar(descargasReales);
  }
  ~Banco() override {
    apagar();
    matarAppsDe(t.ruta());
  }

  // The program killed and started again: a new core and download session on the same folders.
  void reiniciar(bool descargasReales = true) {
    apagar();
    curl = descargasReales ? std::make_unique<DescargasCurl>(bucle, t / "tmp") : nullptr;
    arrancar(curl ? static_cast<Descargas*>(curl.get()) : &guion);
    instalador().alCambiar = [this](const Instalacion& i) {
      auto l = PruebaInstalacion::linea(i);
      if (lineas.empty() || lineas.back() != l) lineas.push_back(l);
    };
    instalador().alTerminar = [this](const Instalacion&) { ++terminadas; };
  }
  // Zips "Prueba <id>.app" into `carpeta` (see empaquetarApp) and returns its entry.
  AppRemota empaquetar(const std::string& id, const std::string& version,
                       const std::string& script = kScriptQueEspera, bool ejecutable = true,
                       size_t relleno = 0) {
    return empaquetarApp(t / "obra", carpeta, id, version, script, ejecutable, relleno);
  }
  // Installs a copy of that bundle (without zipping) straight into the applications folder.
  std::filesystem::path instalarAMano(const std::string& id, const std::string& version) {
    auto claves = clavesDe(bundleDePrueba(id), id);
    claves["CFBundleShortVersionString"] = version;
    return crearBundle(apps, "Prueba " + id, claves);
  }
  // Runs until the installation of `id` is no longer active or reaches `fase`, or
  // `segundos` of wall time pass. The virtual clock moves only while no download runs,
  // so the installer's timed checks come due without the watchdog seeing a stall.
  bool esperarFin(const std::string& id, double segundos = 20,
                  std::optional<Fase> fase = std::nullopt) {
    auto listo = [&] {
      auto inst = instalador().enCurso(id);
      return !inst || (fase && inst->fase == *fase);
    };
    auto fin = std::chrono::steady_clock::now() + std::chrono::duration<double>(segundos);
    while (std::chrono::steady_clock::now() < fin) {
      if (bucle.esperarHasta(listo, 0.02)) return true;
      auto inst = instalador().enCurso(id);
      if (inst && (inst->zip || !inst->tarea)) bucle.avanzar(0.25);
    }
    return listo();
  }
  std::string log() const { return leerArchivo(datos / "suite.log").value_or(""); }

  std::filesystem::path carpeta = t / "fuente";
  DescargasGuion guion;
  std::unique_ptr<DescargasCurl> curl;
  // The phases and steps reported through alCambiar, in order, without repeats.
  std::vector<std::string> lineas;
  int terminadas = 0;
};

}  // namespace orvo::prueba
