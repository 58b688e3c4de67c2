// The shell on the real managers and platform pieces (local catalogue folder, test
// server, real bundles and processes, preferences, virtual clock), with windows and
// tray that only record what the shell asked of them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
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
  Json ultimo(const std::string& tipo) const;
  size_t cuantos(const std::string& tipo) const;
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
  Escena();
  ~Escena() override;

  // A fresh program over the same folders and preferences, as a new launch; the source
  // is the local folder unless a test changes it before `lanzar`.
  void arrancar();
  // The launch sequence, then runs until the first manifest check has ended.
  void lanzar();
  // Runs posted work until `condicion` holds (10 s of wall time at most).
  bool esperar(const std::function<bool()>& condicion) { return bucle.esperarHasta(condicion); }
  // The same, moving the virtual clock 0.1 s at a time meanwhile, for work that waits on
  // timers (an installation's opening checks).
  bool hastaQue(const std::function<bool()>& condicion);
  // Publishes `apps` in the local folder's manifest.
  void publicar(const std::vector<AppRemota>& apps);
  // A zipped app in the local folder (see empaquetarApp), running until killed.
  AppRemota empaquetar(const std::string& id, const std::string& version);
  // The same app's bundle put straight into the applications folder.
  std::filesystem::path instalarAMano(const std::string& id, const std::string& version);

  Catalogo& catalogo() { return nucleo->catalogo(); }
  Instalador& instalador() { return nucleo->instalador(); }
  VentanaFalsa& principal() { return *pantalla.ventanas.at(0); }
  VentanaFalsa& ventanaInstalador() { return *pantalla.ventanas.at(1); }

  CarpetaTemporal t;
  std::filesystem::path apps, datos, fuente;
  BucleManual bucle;
  SistemaPrueba sistema;
  ServidorPrueba servidor;
  ServicioPrueba servicio{servidor};
  HttpCurl http;
  std::unique_ptr<EspacioDePrueba> espacio;
  std::unique_ptr<DescargasCurl> descargas;
  PantallaFalsa pantalla;
  BandejaFalsa bandeja;
  std::optional<PreferenciasLinux> preferencias;  // in the test's own home
  Notificaciones* notificaciones = nullptr;       // the desktop's, when a test looks
  CondicionesPrueba condiciones;                  // a metered network, power saving
  std::unique_ptr<Nucleo> nucleo;
  std::unique_ptr<AppDelegate> delegado;

 private:
  PermisosInertes permisos_;
};

}  // namespace orvo::prueba
