// The toolkit for the shell on GTK 3: web windows (the second shares the first one's web
// process), the application's actions and their keys, the folder chooser, the browser.
#pragma once

#include <gtk/gtk.h>

#include <filesystem>

#include "plataforma/preferencias.h"
#include "plataforma/ventana.h"

namespace orvo {

class VentanaWeb;

class PantallaGtk : public Pantalla {
 public:
  PantallaGtk(GtkApplication* aplicacion, std::filesystem::path web, Preferencias& preferencias);

  std::unique_ptr<Ventana> crearVentana(const FormaVentana& forma) override;
  void instalarMenu() override;
  void elegirCarpeta(std::function<void(std::optional<std::filesystem::path>)> listo) override;
  bool activa() const override;
  void abrirEnlace(const std::string& url) override;
  void terminar() override;

 private:
  GtkApplication* aplicacion_;
  std::filesystem::path web_;
  Preferencias& preferencias_;
  VentanaWeb* primera_ = nullptr;
};

// The window the user works in: the focused one, else the first one shown; null when
// none is visible.
GtkWindow* ventanaDelUsuario(GtkApplication* aplicacion);

}  // namespace orvo
