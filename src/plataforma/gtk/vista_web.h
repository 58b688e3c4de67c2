// The web content of a window: a WebKitGTK view of one of the program's pages. WebKit
// costs a tray program tens of megabytes it would carry all day with its windows closed,
// so views are made by a module of their own (orvo-suite-web.so, beside the executable),
// loaded when the first window shows; nothing else in the program links WebKit.
#pragma once

#include <gtk/gtk.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "comun/resultado.h"

namespace orvo {

class VistaWeb {
 public:
  struct Datos {
    GtkWindow* ventana = nullptr;  // the view becomes its only child
    std::string uri;               // the page
    // A window that cannot be resized takes its content's size: the page's, then.
    int ancho = 0, alto = 0;
    // A view whose web process this one joins; null for the first.
    VistaWeb* relacionada = nullptr;
    std::function<void()> cargada;
    // The JSON text of a message the page posted to the "suite" handler; objects only.
    std::function<void(const std::string&)> mensaje;
    // An http or https link the user clicked; the page stays where it is.
    std::function<void(const std::string&)> enlace;
  };

  virtual ~VistaWeb() = default;
  virtual void ejecutar(const std::string& js) = 0;
  // One of the editing actions: "cortar", "copiar", "pegar" or "seleccionarTodo".
  virtual void editar(const std::string& accion) = 0;
  virtual GtkWidget* widget() const = 0;

  // Opens the module file now, so the module loaded later is this program's own even if
  // an update replaces the bundle in between. An error text when it cannot be opened.
  static Error preparar(const std::filesystem::path& modulo);
  // The module beside the running executable.
  static std::filesystem::path moduloJunto();
  // A new view through the module; null, with the reason logged, when it cannot load.
  static std::unique_ptr<VistaWeb> crear(Datos datos);
};

// What the module exports.
using FabricaVistaWeb = VistaWeb* (*)(VistaWeb::Datos&& datos);
inline constexpr const char* kFabricaVistaWeb = "orvo_crear_vista_web";

}  // namespace orvo
