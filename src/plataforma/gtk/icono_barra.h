// The tray icon: the program's mark, a bell and the count of updates plus notices, drawn
// with cairo in points and rendered at whatever scale the tray asks for.
#pragma once

#include <cairo.h>

#include <memory>

#include "plataforma/gtk/campana.h"

namespace orvo::IconoBarra {

struct DestruirSuperficie {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Superficie = std::unique_ptr<cairo_surface_t, DestruirSuperficie>;

struct Imagen {
  int avisos = 0;
  double ancho = 0;  // points
  double alto = 0;
  Campana campana = Campana::dibujada();

  // Draws in points with the origin at the top left of the image.
  void dibujar(cairo_t* cr) const;
  // A premultiplied ARGB32 image of ceil(ancho * escala) x ceil(alto * escala) pixels.
  Superficie pintar(double escala) const;
};

Imagen imagen(int avisos);

}  // namespace orvo::IconoBarra
