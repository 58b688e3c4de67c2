// The bell of the tray icon: the icon theme's bell symbol when it has one, else a bell
// the program draws itself. Either way it takes the colour of the current source.
#pragma once

#include <cairo.h>

#include <filesystem>
#include <memory>
#include <optional>

namespace orvo {

class Campana {
 public:
  // The bell of the desktop's icon theme (then Adwaita, then hicolor) found in the XDG
  // data folders; the drawn bell when none of them has one.
  static Campana delTema();
  static Campana dibujada();
  // The symbol of one file, when it loads.
  static std::optional<Campana> deArchivo(const std::filesystem::path& svg);

  double ancho() const { return ancho_; }
  double alto() const { return alto_; }
  bool delTemaDeIconos() const { return mascara_ != nullptr; }
  // Fills the bell with the current source, its top left corner at (x, y) in points.
  void dibujar(cairo_t* cr, double x, double y) const;

 private:
  double ancho_ = 0, alto_ = 0;
  std::shared_ptr<cairo_surface_t> mascara_;
};

}  // namespace orvo
