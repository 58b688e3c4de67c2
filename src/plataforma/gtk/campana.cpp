#include "plataforma/gtk/campana.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>

#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

namespace orvo {

namespace {

// The symbol's size in points, about that of an 11-point bell glyph.
constexpr double kLado = 12.0;
// Loaded larger than drawn so that high-scale trays still get a sharp bell.
constexpr int kPixelesMascara = 64;

const char* const kNombres[] = {"bell-symbolic", "notification-symbolic",
                                "preferences-system-notifications-symbolic"};

std::string temaDelEscritorio() {
  GSettingsSchemaSource* fuente = g_settings_schema_source_get_default();
  GSettingsSchema* esquema =
      fuente ? g_settings_schema_source_lookup(fuente, "org.gnome.desktop.interface", TRUE)
             : nullptr;
  if (!esquema) return "";
  std::string tema;
  if (g_settings_schema_has_key(esquema, "icon-theme")) {
    GSettings* ajustes = g_settings_new("org.gnome.desktop.interface");
    gchar* valor = g_settings_get_string(ajustes, "icon-theme");
    tema = valor;
    g_free(valor);
    g_object_unref(ajustes);
  }
  g_settings_schema_unref(esquema);
  return tema;
}

// Read from the environment each time rather than through GLib, which keeps the first
// answer for the life of the process.
std::vector<std::filesystem::path> carpetasDeIconos() {
  std::vector<std::filesystem::path> carpetas;
  const char* casa = std::getenv("XDG_DATA_HOME");
  if (casa && *casa)
    carpetas.emplace_back(casa);
  else if (const char* home = std::getenv("HOME"))
    carpetas.push_back(std::filesystem::path(home) / ".local/share");
  const char* sistema = std::getenv("XDG_DATA_DIRS");
  std::string lista = sistema && *sistema ? sistema : "/usr/local/share:/usr/share";
  for (size_t i = 0; i <= lista.size();) {
    size_t fin = std::min(lista.find(':', i), lista.size());
    if (fin > i) carpetas.emplace_back(lista.substr(i, fin - i));
    i = fin + 1;
  }
  for (auto& c : carpetas) c /= "icons";
  return carpetas;
}

std::optional<std::filesystem::path> buscarSimbolo() {
  std::vector<std::string> temas{temaDelEscritorio(), "Adwaita", "hicolor"};
  namespace fs = std::filesystem;
  for (const auto& tema : temas) {
    if (tema.empty()) continue;
    for (const auto& carpeta : carpetasDeIconos())
      for (const char* nombre : kNombres) {
        // Symbols sit in one folder per context: status, legacy, actions...
        std::error_code e;
        for (fs::directory_iterator i(carpeta / tema / "scalable", e), fin; !e && i != fin;
             i.increment(e)) {
          auto svg = i->path() / (std::string(nombre) + ".svg");
          if (fs::is_regular_file(svg, e)) return svg;
        }
      }
  }
  return std::nullopt;
}

void trazarCampana(cairo_t* cr) {
  // A bell in a 12 x 12 box: the dome and flared sides, the rim, the knob and the clapper.
  cairo_move_to(cr, 1.0, 9.0);
  cairo_curve_to(cr, 2.2, 7.8, 2.2, 6.4, 2.2, 5.0);
  cairo_curve_to(cr, 2.2, 2.6, 3.8, 1.2, 6.0, 1.2);
  cairo_curve_to(cr, 8.2, 1.2, 9.8, 2.6, 9.8, 5.0);
  cairo_curve_to(cr, 9.8, 6.4, 9.8, 7.8, 11.0, 9.0);
  cairo_line_to(cr, 11.0, 9.8);
  cairo_line_to(cr, 1.0, 9.8);
  cairo_close_path(cr);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 6.0, 0.9, 0.9, 0, 2 * std::numbers::pi);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 6.0, 10.4, 1.5, 0, std::numbers::pi);
  cairo_close_path(cr);
}

}  // namespace

Campana Campana::dibujada() {
  Campana c;
  c.ancho_ = c.alto_ = kLado;
  return c;
}

std::optional<Campana> Campana::deArchivo(const std::filesystem::path& svg) {
  // Loaded as SVG by name rather than by sniffing, which depends on the MIME database.
  gchar* texto = nullptr;
  gsize largo = 0;
  if (!g_file_get_contents(svg.c_str(), &texto, &largo, nullptr)) return std::nullopt;
  GdkPixbufLoader* cargador = gdk_pixbuf_loader_new_with_type("svg", nullptr);
  GdkPixbuf* pixbuf = nullptr;
  if (cargador) {
    // Symbols are square.
    gdk_pixbuf_loader_set_size(cargador, kPixelesMascara, kPixelesMascara);
    bool leido =
        gdk_pixbuf_loader_write(cargador, reinterpret_cast<const guchar*>(texto), largo, nullptr);
    if (gdk_pixbuf_loader_close(cargador, nullptr) && leido)
      pixbuf = gdk_pixbuf_loader_get_pixbuf(cargador);
    if (pixbuf) g_object_ref(pixbuf);
    g_object_unref(cargador);
  }
  g_free(texto);
  if (!pixbuf) return std::nullopt;
  // A symbolic icon is one colour: only its alpha is kept, the colour is the source's.
  if (!gdk_pixbuf_get_has_alpha(pixbuf) || gdk_pixbuf_get_bits_per_sample(pixbuf) != 8) {
    g_object_unref(pixbuf);
    return std::nullopt;
  }
  int w = gdk_pixbuf_get_width(pixbuf), h = gdk_pixbuf_get_height(pixbuf);
  int canales = gdk_pixbuf_get_n_channels(pixbuf), paso = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* origen = gdk_pixbuf_read_pixels(pixbuf);
  Campana c = dibujada();
  c.mascara_.reset(cairo_image_surface_create(CAIRO_FORMAT_A8, w, h), cairo_surface_destroy);
  cairo_surface_t* mascara = c.mascara_.get();
  unsigned char* destino = cairo_image_surface_get_data(mascara);
  int pasoDestino = cairo_image_surface_get_stride(mascara);
  for (int fila = 0; destino && fila < h; ++fila)
    for (int x = 0; x < w; ++x)
      destino[fila * pasoDestino + x] = origen[fila * paso + x * canales + canales - 1];
  cairo_surface_mark_dirty(mascara);
  g_object_unref(pixbuf);
  if (cairo_surface_status(mascara) != CAIRO_STATUS_SUCCESS) return std::nullopt;
  return c;
}

Campana Campana::delTema() {
  if (auto svg = buscarSimbolo())
    if (auto c = deArchivo(*svg)) return *c;
  return dibujada();
}

void Campana::dibujar(cairo_t* cr, double x, double y) const {
  cairo_save(cr);
  cairo_translate(cr, x, y);
  if (mascara_) {
    double lado = cairo_image_surface_get_width(mascara_.get());
    cairo_scale(cr, ancho_ / lado, alto_ / lado);
    cairo_mask_surface(cr, mascara_.get(), 0, 0);
  } else {
    trazarCampana(cr);
    cairo_fill(cr);
  }
  cairo_restore(cr);
}

}  // namespace orvo
