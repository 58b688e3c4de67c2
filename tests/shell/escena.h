// The shell on the real managers and platform pieces (local catalogue folder, test
// server, real bundles and processes, preferences, virtual clock), with windows and
// tray that only record what the shell asked of them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apoyo/app_prueba.h"
#include "apoyo/bucle_manual.h"
#include "apoyo/bundles_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/inertes.h"
#include "apoyo/servicio_prueba.h"
#include "apoyo/servidor_prueba.h"
#include "apoyo/sistema_prueba.h"
#include "plataforma/bandeja.h"
#include "plataforma/linux/descargas_curl.h"
#include "plataforma/linux/http_curl.h"
#include "plataforma/linux/preferencias_linux.h"
#include "plataforma/notificaciones.h"
#include "plataforma/ventana.h"
#include "shell/app_delegate.h"

namespace orvo::prueba {

class VentanaFalsa : public Ventana {
 public:
  std::vector<Json> eventos;
  std::vector<bool> mostrada;  // each show, with whether it took the focus
  bool abierta = false, foco = false;
  int ocultada = 0;

  void enviar(const Json& e) override { eventos.push_back(e); }
  void mostrar(bool activar) override {
    abierta = true, foco = foco || activar, mostrada.push_back(activar);
  }
  void ocultar() override { abierta = foco = false, ++ocultada; }
  bool visible() const override { return abierta; }
  bool enFrente() const override { return abierta && foco; }
  // The last event of `tipo`; null when none came.
  Json ultimo(const std::string& tipo) const {
    for (auto e = eventos.rbegin(); e != eventos.rend(); ++e)
      if ((*e)["tipo"] == tipo) return *e;
    return nullptr;
  }
  size_t cuantos(const std::string& tipo) const {
    return std::count_if(eventos.begin(), eventos.end(),
                         [&](auto& e) { return e["tipo"] == tipo; });
  }
};

class PantallaFalsa : public Pantalla {
 public:
  std::vector<VentanaFalsa*> ventanas;
  bool menu = false;
  std::vector<std::string> enlaces;
  // What the folder chooser answers.
  std::optional<std::filesystem::path> carpeta;

  std::unique_ptr<Ventana> crearVentana(const FormaVentana&) override {
    auto v = std::make_unique<VentanaFalsa>();
    ventanas.push_back(v.get());
    return v;
  }
  void instalarMenu() override { menu = true; }
  void elegirCarpeta(std::function<void(std::optional<std::filesystem::path>)> listo) override {
    listo(carpeta);
  }
  bool activa() const override {
    return std::any_of(ventanas.begin(), ventanas.end(), [](auto* v) { return v->enFrente(); });
  }
  void abrirEnlace(const std::string& url) override { enlaces.push_back(url); }
  void terminar() override {}
};

class BandejaFalsa : public Bandeja {
 public:
  std::optional<Acciones> acciones;
  int cuenta = -1;
  std::string ayuda;
  void crear(Acciones a) override { acciones = std::move(a); }
  void actualizar(int c, const std::string& t) override { cuenta = c, ayuda = t; }
};

class Escena : public ::testing::Test {
 protected:
  Escena() {
    for (const auto& c : {datos, fuente}) std::filesystem::create_directories(c);
    sistema.dentroDe(t.ruta(), apps, datos);
    preferencias.emplace(sistema, "orvo-suite");
    publicar({});
  }
  ~Escena() override {
    delegado.reset();
    nucleo.reset();
    matarAppsDe(t.ruta());
  }

  // A fresh program over the same folders and preferences, as a new launch; the source
  // is the local folder unless a test changes it before `lanzar`.
  void arrancar() {
    delegado.reset();
    nucleo.reset();
    pantalla.ventanas.clear();
    nucleo = std::make_unique<Nucleo>(
        Plataforma{bucle, http, espacio, sistema, descargas, permisos_, condiciones});
    catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = fuente.string(); });
    delegado =
        std::make_unique<AppDelegate>(*nucleo, pantalla, bandeja, *preferencias, notificaciones);
  }
  // The launch sequence, then runs until the first manifest check has ended: every end of
  // a check, good or bad, reaches the pages as a snapshot.
  void lanzar() {
    delegado->lanzar();
    ASSERT_TRUE(esperar([&] { return principal().cuantos("estado") > 0; }));
    bucle.procesar();
  }
  // Runs posted work until `condicion` holds (10 s of wall time at most).
  bool esperar(const std::function<bool()>& condicion) { return bucle.esperarHasta(condicion); }
  // The same, moving the virtual clock 0.1 s at a time meanwhile, for work that waits on
  // timers (an installation's opening checks).
  bool hastaQue(const std::function<bool()>& condicion) {
    for (int i = 0; i < 400; ++i) {
      if (bucle.esperarHasta(condicion, 0.05)) return true;
      bucle.avanzar(0.1);
    }
    return false;
  }
  // Publishes `apps` in the local folder's manifest.
  void publicar(const std::vector<AppRemota>& lista) {
    Json j = Json::array();
    for (const auto& a : lista) j.push_back(a.aJson());
    std::ofstream(fuente / "orvo-suite.json")
        << Json{{"formato", "orvo-suite/1"}, {"version", 1}, {"apps", j}}.dump();
  }
  // A zipped app in the local folder (see empaquetarApp), running until killed.
  AppRemota empaquetar(const std::string& id, const std::string& version) {
    return empaquetarApp(t / "obra", fuente, id, version);
  }
  // The same app's bundle put straight into the applications folder.
  std::filesystem::path instalarAMano(const std::string& id, const std::string& version) {
    auto claves = clavesDe(bundleDePrueba(id), id);
    claves["CFBundleShortVersionString"] = version;
    return crearBundle(apps, "Prueba " + id, claves);
  }

  Catalogo& catalogo() { return nucleo->catalogo(); }
  Instalador& instalador() { return nucleo->instalador(); }
  VentanaFalsa& principal() { return *pantalla.ventanas.at(0); }
  VentanaFalsa& ventanaInstalador() { return *pantalla.ventanas.at(1); }

  CarpetaTemporal t;
  std::filesystem::path apps = t / "Aplicaciones", datos = t / "datos", fuente = t / "fuente";
  BucleManual bucle;
  SistemaPrueba sistema;
  ServidorPrueba servidor;
  ServicioPrueba servicio{servidor};
  HttpCurl http;
  EspacioDePrueba espacio{t.ruta(), apps, t / "xdg/applications", bucle};
  DescargasCurl descargas{bucle, t / "tmp"};
  PantallaFalsa pantalla;
  BandejaFalsa bandeja;
  std::optional<PreferenciasLinux> preferencias;  // in the test's own home, once made
  Notificaciones* notificaciones = nullptr;       // the desktop's, when a test looks
  CondicionesPrueba condiciones;                  // a metered network, power saving
  std::unique_ptr<Nucleo> nucleo;
  std::unique_ptr<AppDelegate> delegado;

 private:
  PermisosInertes permisos_;
};

}  // namespace orvo::prueba
