#include "plataforma/gtk/icono_barra.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orvo::IconoBarra {

namespace {

struct Color {
  double r, g, b;
};
// Both about 3.5:1 against a white panel and against a near-black one.
constexpr Color kAzul{0x3b / 255.0, 0x82 / 255.0, 0xf6 / 255.0};
constexpr Color kRojo{0xe0 / 255.0, 0x3e / 255.0, 0x1a / 255.0};

void usar(cairo_t* cr, Color c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

void rectanguloRedondeado(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::min({r, w / 2, h / 2});
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -std::numbers::pi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, std::numbers::pi / 2);
  cairo_arc(cr, x + r, y + h - r, r, std::numbers::pi / 2, std::numbers::pi);
  cairo_arc(cr, x + r, y + r, r, std::numbers::pi, 3 * std::numbers::pi / 2);
  cairo_close_path(cr);
}

// The tile fills the image less a margin of 1/16; on it the mark, an upright and an
// angle, in the proportions of the program's logo frame.
void dibujarTeja(cairo_t* cr, double lado) {
  double m = lado / 16, t = lado - 2 * m;
  rectanguloRedondeado(cr, m, m, t, t, 0.22 * lado);
  usar(cr, kAzul);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_set_line_width(cr, std::max(1.5, 0.12 * t));
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  auto punto = [&](double x, double y) { return std::pair{m + x * t, m + y * t}; };
  auto [x0, y0] = punto(0.30, 0.24);
  auto [x1, y1] = punto(0.30, 0.76);
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
  auto [a, b] = punto(0.72, 0.24);
  auto [c, d] = punto(0.40, 0.50);
  auto [e, f] = punto(0.72, 0.76);
  cairo_move_to(cr, a, b);
  cairo_line_to(cr, c, d);
  cairo_line_to(cr, e, f);
  cairo_stroke(cr);
}

// A bold face whose digits fill about 70 % of the badge's height; "9+" a little smaller,
// so that its pill leaves the mark in sight.
PangoLayout* textoDe(cairo_t* cr, const std::string& texto, double alto) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* fuente = pango_font_description_from_string("Sans Bold");
  pango_font_description_set_absolute_size(fuente,
                                           (texto.size() > 1 ? 0.78 : 0.92) * alto * PANGO_SCALE);
  pango_layout_set_font_description(layout, fuente);
  pango_font_description_free(fuente);
  pango_layout_set_text(layout, texto.c_str(), -1);
  return layout;
}

// The badge: a red disc (a pill for "9+") in the top right corner, its white text centred
// on the digits' ink, cut out of the tile by a thin ring so that it stands apart.
void dibujarInsignia(cairo_t* cr, double lado, const std::string& texto) {
  double alto = std::round(0.625 * lado);
  PangoLayout* layout = textoDe(cr, texto, alto);
  PangoRectangle tinta;
  pango_layout_get_pixel_extents(layout, &tinta, nullptr);
  double ancho = std::min(lado, std::max(alto, tinta.width + 0.35 * alto));
  double x = lado - ancho, anillo = std::max(1.0, lado / 16);

  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  rectanguloRedondeado(cr, x - anillo, -anillo, ancho + 2 * anillo, alto + 2 * anillo,
                       alto / 2 + anillo);
  cairo_fill(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  rectanguloRedondeado(cr, x, 0, ancho, alto, alto / 2);
  usar(cr, kRojo);
  cairo_fill(cr);

  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_move_to(cr, x + (ancho - tinta.width) / 2 - tinta.x, (alto - tinta.height) / 2 - tinta.y);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
}

}  // namespace

std::string textoInsignia(int avisos) {
  if (avisos < 1) return "";
  return avisos <= 9 ? std::to_string(avisos) : "9+";
}

Superficie pintar(int avisos, int lado) {
  Superficie s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, lado, lado));
  cairo_t* cr = cairo_create(s.get());
  dibujarTeja(cr, lado);
  if (auto texto = textoInsignia(avisos); !texto.empty()) dibujarInsignia(cr, lado, texto);
  cairo_destroy(cr);
  cairo_surface_flush(s.get());
  return s;
}

}  // namespace orvo::IconoBarra
