#include "plataforma/gtk/icono_barra.h"

#include <pango/pangocairo.h>

#include <cmath>
#include <numbers>
#include <string>

namespace orvo::IconoBarra {

namespace {

constexpr double kAlto = 20.0;
constexpr double kAnchoSinAvisos = 44.0;
constexpr double kXCuenta = 41.0;
constexpr double kXHuecoCampana = 25.0;
constexpr double kAnchoHuecoCampana = 13.0;

// Trays sit on dark panels almost everywhere on Linux, so the label colours are those of
// a dark appearance: white at the opacities a dark theme gives primary and secondary text.
struct Color {
  double r, g, b, a;
};
constexpr Color kEtiqueta{1, 1, 1, 0.85};
constexpr Color kEtiquetaSecundaria{1, 1, 1, 0.55};
constexpr Color kNaranja{1.0, 159 / 255.0, 10 / 255.0, 1};

void usar(cairo_t* cr, Color c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }
void usar(cairo_t* cr, Color c, double alfa) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alfa); }

void rectanguloRedondeado(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -std::numbers::pi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, std::numbers::pi / 2);
  cairo_arc(cr, x + r, y + h - r, r, std::numbers::pi / 2, std::numbers::pi);
  cairo_arc(cr, x + r, y + r, r, std::numbers::pi, 3 * std::numbers::pi / 2);
  cairo_close_path(cr);
}

// The geometry is given with the origin at the bottom left; cairo's is at the top left.
double y(double arriba) { return kAlto - arriba; }

// The count in a semibold face whose digits all have one width, so the icon keeps its
// size while the count changes within the same number of digits.
struct LayoutCuenta {
  PangoLayout* layout;
  explicit LayoutCuenta(PangoLayout* l, int avisos) : layout(l) {
    PangoFontDescription* fuente = pango_font_description_from_string("Sans Semi-Bold");
    pango_font_description_set_absolute_size(fuente, 12.0 * PANGO_SCALE);
    pango_layout_set_font_description(layout, fuente);
    pango_font_description_free(fuente);
    PangoAttrList* atributos = pango_attr_list_new();
    pango_attr_list_insert(atributos, pango_attr_font_features_new("tnum 1"));
    pango_layout_set_attributes(layout, atributos);
    pango_attr_list_unref(atributos);
    pango_layout_set_text(layout, std::to_string(avisos).c_str(), -1);
  }
  ~LayoutCuenta() { g_object_unref(layout); }
  LayoutCuenta(const LayoutCuenta&) = delete;
  LayoutCuenta& operator=(const LayoutCuenta&) = delete;
  // Logical size in points, unrounded.
  std::pair<double, double> tamano() const {
    PangoRectangle logico;
    pango_layout_get_extents(layout, nullptr, &logico);
    return {logico.width / double(PANGO_SCALE), logico.height / double(PANGO_SCALE)};
  }
};

double anchoCuenta(int avisos) {
  PangoContext* contexto = pango_font_map_create_context(pango_cairo_font_map_get_default());
  double ancho = LayoutCuenta(pango_layout_new(contexto), avisos).tamano().first;
  g_object_unref(contexto);
  return ancho;
}

}  // namespace

Imagen imagen(int avisos) {
  Imagen i{avisos, kAnchoSinAvisos, kAlto, Campana::delTema()};
  if (avisos >= 1) i.ancho = std::ceil(anchoCuenta(avisos)) + 3.0 + 38.0 + 6.0;
  return i;
}

void Imagen::dibujar(cairo_t* cr) const {
  cairo_save(cr);
  rectanguloRedondeado(cr, 0.5, 0.5, ancho - 1, alto - 1, 6.0);
  usar(cr, kEtiqueta, 0.14);
  cairo_fill(cr);

  usar(cr, kEtiqueta);
  rectanguloRedondeado(cr, 4.5, y(3.0 + 14.0), 14.0, 14.0, 4.0);
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);

  cairo_set_line_width(cr, 1.7);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, 9.3, y(6.2));
  cairo_line_to(cr, 9.3, y(13.8));
  cairo_move_to(cr, 14.5, y(13.8));
  cairo_line_to(cr, 10.2, y(10.0));
  cairo_line_to(cr, 14.5, y(6.2));
  cairo_stroke(cr);

  usar(cr, avisos >= 1 ? kEtiqueta : kEtiquetaSecundaria);
  campana.dibujar(cr, (kAnchoHuecoCampana - campana.ancho()) / 2 + kXHuecoCampana,
                  (alto - campana.alto()) / 2);

  if (avisos >= 1) {
    LayoutCuenta cuenta(pango_cairo_create_layout(cr), avisos);
    cairo_move_to(cr, kXCuenta, (alto - cuenta.tamano().second) / 2);
    usar(cr, kNaranja);
    pango_cairo_show_layout(cr, cuenta.layout);
  }
  cairo_restore(cr);
}

Superficie Imagen::pintar(double escala) const {
  Superficie s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(std::ceil(ancho * escala)),
                                          int(std::ceil(alto * escala))));
  cairo_t* cr = cairo_create(s.get());
  cairo_scale(cr, escala, escala);
  dibujar(cr);
  cairo_destroy(cr);
  cairo_surface_flush(s.get());
  return s;
}

}  // namespace orvo::IconoBarra
