#include "plataforma/gtk/ventana_web.h"

#include <cstdio>

namespace orvo {

namespace {

// The near-black blue behind the pages, so nothing flashes white while a page loads.
constexpr const char* kFondo = "window { background-color: rgb(16, 19, 25); }";

void pintarFondo(GtkWidget* ventana) {
  static GtkCssProvider* css = [] {
    auto* p = gtk_css_provider_new();
    gtk_css_provider_load_from_data(p, kFondo, -1, nullptr);
    return p;
  }();
  gtk_style_context_add_provider(gtk_widget_get_style_context(ventana), GTK_STYLE_PROVIDER(css),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

constexpr const char* kClave = "orvo-ventana-web";

}  // namespace

VentanaWeb::VentanaWeb(const FormaVentana& forma, Entorno entorno)
    : forma_(forma), entorno_(std::move(entorno)), cola_([this](const std::string& js) {
        if (vista_) vista_->ejecutar(js);
      }) {
  auto* w = entorno_.aplicacion ? gtk_application_window_new(entorno_.aplicacion)
                                : gtk_window_new(GTK_WINDOW_TOPLEVEL);
  ventana_ = GTK_WINDOW(w);
  g_object_set_data(G_OBJECT(w), kClave, this);
  gtk_window_set_title(ventana_, forma_.titulo.c_str());
  pintarFondo(w);
  GdkGeometry minimo{};
  minimo.min_width = forma_.minimoAncho;
  minimo.min_height = forma_.minimoAlto;
  gtk_window_set_geometry_hints(ventana_, nullptr, &minimo, GDK_HINT_MIN_SIZE);
  gtk_window_set_default_size(ventana_, forma_.ancho, forma_.alto);
  if (forma_.flotante) {
    gtk_window_set_resizable(ventana_, FALSE);
    gtk_window_set_keep_above(ventana_, TRUE);
    gtk_window_stick(ventana_);
  }
  g_signal_connect(w, "delete-event", G_CALLBACK(alCerrar), this);
  g_signal_connect(w, "configure-event", G_CALLBACK(alConfigurar), this);
  restaurarMarco();
}

VentanaWeb::~VentanaWeb() {
  if (guardarMarco_) g_source_remove(guardarMarco_);
  recordarMarco();
  g_signal_handlers_disconnect_by_data(ventana_, this);
  g_object_set_data(G_OBJECT(ventana_), kClave, nullptr);
  vista_.reset();
  gtk_widget_destroy(GTK_WIDGET(ventana_));
}

VentanaWeb* VentanaWeb::de(GtkWindow* ventana) {
  return static_cast<VentanaWeb*>(g_object_get_data(G_OBJECT(ventana), kClave));
}

void VentanaWeb::crearVista() {
  char* uri = g_filename_to_uri((entorno_.web / forma_.pagina).c_str(), nullptr, nullptr);
  VistaWeb::Datos datos{
      .ventana = ventana_,
      .uri = uri ? uri : "",
      .relacionada = entorno_.relacionada ? entorno_.relacionada->vista() : nullptr,
      .cargada = [this] { cola_.cargada(); },
      .mensaje =
          [this](const std::string& texto) {
            auto mensaje = Json::parse(texto, nullptr, false);
            if (mensaje.is_object() && alMensaje) alMensaje(mensaje);
          },
      .enlace =
          [this](const std::string& url) {
            if (entorno_.abrirEnlace) entorno_.abrirEnlace(url);
          }};
  g_free(uri);
  // A window that is not resizable takes its content's size, whatever was saved.
  if (forma_.flotante) {
    datos.ancho = forma_.ancho;
    datos.alto = forma_.alto;
  }
  vista_ = VistaWeb::crear(std::move(datos));
}

void VentanaWeb::enviar(const Json& evento) { cola_.enviar(evento); }

void VentanaWeb::mostrar(bool activar) {
  if (!vista_) crearVista();
  if (activar) return gtk_window_present(ventana_);
  gtk_window_set_focus_on_map(ventana_, FALSE);
  gtk_widget_show(GTK_WIDGET(ventana_));
  gtk_window_set_focus_on_map(ventana_, TRUE);
  if (auto* gdk = gtk_widget_get_window(GTK_WIDGET(ventana_))) gdk_window_raise(gdk);
}

void VentanaWeb::ocultar() {
  recordarMarco();
  gtk_widget_hide(GTK_WIDGET(ventana_));
}

bool VentanaWeb::visible() const { return gtk_widget_get_visible(GTK_WIDGET(ventana_)); }

bool VentanaWeb::enFrente() const { return visible() && gtk_window_is_active(ventana_); }

void VentanaWeb::recordarMarco() {
  if (!visible()) return;
  int x = 0, y = 0, ancho = 0, alto = 0;
  gtk_window_get_position(ventana_, &x, &y);
  gtk_window_get_size(ventana_, &ancho, &alto);
  auto marco = std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(ancho) + "," +
               std::to_string(alto);
  if (marco == marco_) return;
  marco_ = marco;
  entorno_.preferencias.guardar(forma_.autoguardado, marco);
}

void VentanaWeb::restaurarMarco() {
  int x, y, ancho, alto;
  auto marco = entorno_.preferencias.leer(forma_.autoguardado);
  marco_ = marco.value_or("");
  if (!marco || std::sscanf(marco->c_str(), "%d,%d,%d,%d", &x, &y, &ancho, &alto) != 4 ||
      ancho < forma_.minimoAncho || alto < forma_.minimoAlto)
    return gtk_window_set_position(ventana_, GTK_WIN_POS_CENTER);
  gtk_window_move(ventana_, x, y);
  if (!forma_.flotante) gtk_window_resize(ventana_, ancho, alto);
}

gboolean VentanaWeb::alCerrar(GtkWidget*, GdkEvent*, gpointer yo) {
  static_cast<VentanaWeb*>(yo)->ocultar();
  return TRUE;
}

// A drag or a resize sends many of these: the frame is saved once, half a second after the
// last, so a program ended without hiding its windows (a logout) keeps it.
gboolean VentanaWeb::alConfigurar(GtkWidget*, GdkEvent*, gpointer yo) {
  auto* v = static_cast<VentanaWeb*>(yo);
  if (v->guardarMarco_) g_source_remove(v->guardarMarco_);
  v->guardarMarco_ = g_timeout_add(
      500,
      [](gpointer yo) -> gboolean {
        auto* v = static_cast<VentanaWeb*>(yo);
        v->guardarMarco_ = 0;
        v->recordarMarco();
        return G_SOURCE_REMOVE;
      },
      v);
  return FALSE;
}

}  // namespace orvo
