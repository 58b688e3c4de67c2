// One GTK window whose whole content is a WebKitGTK view of a page of the program's own,
// with the page bridge: the "suite" message handler in, `window.suite.evento` out.
// The page is loaded the first time the window shows: a program that stays in the tray
// never starts a web process.
#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <filesystem>
#include <functional>
#include <string>

#include "plataforma/cola_eventos.h"
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
    // A view whose web process this one shares; null for the first.
    WebKitWebView* relacionada = nullptr;
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

  GtkWindow* ventana() const { return ventana_; }
  WebKitWebView* vista() const { return vista_; }
  bool cargada() const { return cola_.lista(); }

 private:
  static gboolean alCerrar(GtkWidget*, GdkEvent*, gpointer yo);
  static void alCargar(WebKitWebView*, WebKitLoadEvent evento, gpointer yo);
  static gboolean alDecidir(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType,
                            gpointer yo);
  static void alRecibir(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer yo);
  void recordarMarco();
  void restaurarMarco();

  FormaVentana forma_;
  Entorno entorno_;
  GtkWindow* ventana_ = nullptr;
  WebKitWebView* vista_ = nullptr;
  WebKitUserContentManager* contenido_ = nullptr;
  ColaEventos cola_;
  bool pedida_ = false;  // the page load has been started
};

}  // namespace orvo
