// The program's windows as the shell sees them: a web window showing one page of the
// program's own, and the toolkit around it (menu, folder chooser, browser, quitting).
// Real: GTK and WebKitGTK. Tests: windows that only record.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "comun/json_estricto.h"

namespace orvo {

struct FormaVentana {
  std::string pagina;  // file name inside the pages folder
  std::string titulo;
  int ancho = 0, alto = 0;              // initial content size
  int minimoAncho = 0, minimoAlto = 0;  // the user cannot make it smaller
  std::string autoguardado;             // where its size and position are remembered
  // Fixed size, above other windows and on every workspace (the installer).
  bool flotante = false;
};

class Ventana {
 public:
  virtual ~Ventana() = default;
  // Messages the page posts to the handler "suite" whose body is an object. Main thread.
  std::function<void(const Json&)> alMensaje;
  // Hands `evento` to the page's `window.suite.evento`; waits while the page loads.
  virtual void enviar(const Json& evento) = 0;
  // Shows it in front; with `activar` false it does not take the focus.
  virtual void mostrar(bool activar = true) = 0;
  // Closing the window does the same: it is hidden, never destroyed.
  virtual void ocultar() = 0;
  virtual bool visible() const = 0;
  // Visible and focused: the user is working in it.
  virtual bool enFrente() const = 0;
};

class Pantalla {
 public:
  virtual ~Pantalla() = default;
  // The window is created hidden.
  virtual std::unique_ptr<Ventana> crearVentana(const FormaVentana& forma) = 0;
  // Close the focused window, quit, and the editing commands for the pages' text fields.
  virtual void instalarMenu() = 0;
  // Lets the user pick a folder; `listo` gets it, or nothing when the user cancelled.
  virtual void elegirCarpeta(std::function<void(std::optional<std::filesystem::path>)> listo) = 0;
  // Whether one of the program's windows has the focus: the user is working in the program.
  virtual bool activa() const = 0;
  // Opens `url` with the user's default handler (the browser for web addresses).
  virtual void abrirEnlace(const std::string& url) = 0;
  // Ends the program.
  virtual void terminar() = 0;
};

}  // namespace orvo
