// One GTK window whose whole content is a web view of a page of the program's own, with
// the page bridge: the "suite" message handler in, `window.suite.evento` out.
// The view is made and its page loaded the first time the window shows: WebKit starts
// its processes with the first view, so a program that stays in the tray runs none and
// does not even load WebKit.
#pragma once

#include <gtk/gtk.h>

#include <filesystem>
#include <functional>
#include <string>

#include "plataforma/cola_eventos.h"
#include "plataforma/gtk/vista_web.h"
#include "plataforma/preferencias.h"
#include "plataforma/ventana.h"

namespace orvo {

class VentanaWeb : public Ventana {
 public:
  struct Entorno {
    std::filesystem::path web;   // the pages folder
    Preferencias& preferencias;  // where the size and position are kept
    // Opens a web address in the user's browser.
    std::function<void(const std::string&)> abrirEnlace;
    GtkApplication* aplicacion = nullptr;
    // A window whose web process this one shares once both have views; null for the first.
    const VentanaWeb* relacionada = nullptr;
  };

  VentanaWeb(const FormaVentana& forma, Entorno entorno);
  ~VentanaWeb() override;
  VentanaWeb(const VentanaWeb&) = delete;
  VentanaWeb& operator=(const VentanaWeb&) = delete;

  void enviar(const Json& evento) override;
  void mostrar(bool activar = true) override;
  void ocultar() override;
  bool visible() const override;
  bool enFrente() const override;

  // The other window whose web process this one joins if that one has a view by then.
  void compartirCon(const VentanaWeb* otra) { entorno_.relacionada = otra; }

  GtkWindow* ventana() const { return ventana_; }
  // Null until the window was first shown, or when WebKit could not be loaded.
  VistaWeb* vista() const { return vista_.get(); }
  bool cargada() const { return cola_.lista(); }
  // The window of `ventana`, if it is one of these.
  static VentanaWeb* de(GtkWindow* ventana);

 private:
  static gboolean alCerrar(GtkWidget*, GdkEvent*, gpointer yo);
  static gboolean alConfigurar(GtkWidget*, GdkEvent*, gpointer yo);
  void crearVista();
  void recordarMarco();
  void restaurarMarco();

  FormaVentana forma_;
  Entorno entorno_;
  GtkWindow* ventana_ = nullptr;
  std::unique_ptr<VistaWeb> vista_;
  ColaEventos cola_;
  // The pending save of the frame after the user moved or resized the window.
  guint guardarMarco_ = 0;
  std::string marco_;  // as last saved or read
};

}  // namespace orvo
