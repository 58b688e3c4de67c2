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

WebKitWebView* crearVista(WebKitUserContentManager* contenido, WebKitWebView* relacionada) {
  auto* ajustes = webkit_settings_new();
  // Plain pages need no compositing; without a GPU it runs on a software GL that costs
  // tens of megabytes per web process.
  webkit_settings_set_hardware_acceleration_policy(ajustes,
                                                   WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  webkit_settings_set_enable_developer_extras(ajustes, FALSE);
  auto* vista = relacionada
                    ? g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", relacionada,
                                   "user-content-manager", contenido, "settings", ajustes, nullptr)
                    : g_object_new(WEBKIT_TYPE_WEB_VIEW, "user-content-manager", contenido,
                                   "settings", ajustes, nullptr);
  g_object_unref(ajustes);
  return WEBKIT_WEB_VIEW(vista);
}

}  // namespace

VentanaWeb::VentanaWeb(const FormaVentana& forma, Entorno entorno)
    : forma_(forma), entorno_(std::move(entorno)), cola_([this](const std::string& js) {
        webkit_web_view_evaluate_javascript(vista_, js.c_str(), static_cast<gssize>(js.size()),
                                            nullptr, nullptr, nullptr, nullptr, nullptr);
      }) {
  contenido_ = webkit_user_content_manager_new();
  g_signal_connect(contenido_, "script-message-received::suite", G_CALLBACK(alRecibir), this);
  webkit_user_content_manager_register_script_message_handler(contenido_, "suite");
  vista_ = crearVista(contenido_, entorno_.relacionada);
  GdkRGBA transparente{0, 0, 0, 0};
  webkit_web_view_set_background_color(vista_, &transparente);
  g_signal_connect(vista_, "load-changed", G_CALLBACK(alCargar), this);
  g_signal_connect(vista_, "decide-policy", G_CALLBACK(alDecidir), this);

  auto* w = entorno_.aplicacion ? gtk_application_window_new(entorno_.aplicacion)
                                : gtk_window_new(GTK_WINDOW_TOPLEVEL);
  ventana_ = GTK_WINDOW(w);
  gtk_window_set_title(ventana_, forma_.titulo.c_str());
  pintarFondo(w);
  GdkGeometry minimo{};
  minimo.min_width = forma_.minimoAncho;
  minimo.min_height = forma_.minimoAlto;
  gtk_window_set_geometry_hints(ventana_, nullptr, &minimo, GDK_HINT_MIN_SIZE);
  gtk_window_set_default_size(ventana_, forma_.ancho, forma_.alto);
  gtk_container_add(GTK_CONTAINER(w), GTK_WIDGET(vista_));
  if (forma_.flotante) {
    // A window that is not resizable takes its content's size, whatever was saved.
    gtk_widget_set_size_request(GTK_WIDGET(vista_), forma_.ancho, forma_.alto);
    gtk_window_set_resizable(ventana_, FALSE);
    gtk_window_set_keep_above(ventana_, TRUE);
    gtk_window_stick(ventana_);
  }
  gtk_widget_show(GTK_WIDGET(vista_));
  g_signal_connect(w, "delete-event", G_CALLBACK(alCerrar), this);
  restaurarMarco();
}

VentanaWeb::~VentanaWeb() {
  recordarMarco();
  g_signal_handlers_disconnect_by_data(contenido_, this);
  g_signal_handlers_disconnect_by_data(vista_, this);
  g_signal_handlers_disconnect_by_data(ventana_, this);
  webkit_user_content_manager_unregister_script_message_handler(contenido_, "suite");
  gtk_widget_destroy(GTK_WIDGET(ventana_));
  g_object_unref(contenido_);
}

void VentanaWeb::enviar(const Json& evento) { cola_.enviar(evento); }

void VentanaWeb::mostrar(bool activar) {
  if (!pedida_) {
    pedida_ = true;
    char* uri = g_filename_to_uri((entorno_.web / forma_.pagina).c_str(), nullptr, nullptr);
    if (uri) webkit_web_view_load_uri(vista_, uri);
    g_free(uri);
  }
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
  entorno_.preferencias.guardar(forma_.autoguardado, std::to_string(x) + "," + std::to_string(y) +
                                                         "," + std::to_string(ancho) + "," +
                                                         std::to_string(alto));
}

void VentanaWeb::restaurarMarco() {
  int x, y, ancho, alto;
  auto marco = entorno_.preferencias.leer(forma_.autoguardado);
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

void VentanaWeb::alCargar(WebKitWebView*, WebKitLoadEvent evento, gpointer yo) {
  if (evento == WEBKIT_LOAD_FINISHED) static_cast<VentanaWeb*>(yo)->cola_.cargada();
}

gboolean VentanaWeb::alDecidir(WebKitWebView*, WebKitPolicyDecision* decision,
                               WebKitPolicyDecisionType tipo, gpointer yo) {
  if (tipo != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
      tipo != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION)
    return FALSE;
  auto* accion = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  if (webkit_navigation_action_get_navigation_type(accion) != WEBKIT_NAVIGATION_TYPE_LINK_CLICKED)
    return FALSE;
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(accion));
  const char* esquema = uri ? g_uri_peek_scheme(uri) : nullptr;
  if (!esquema || !g_str_has_prefix(esquema, "http")) return FALSE;
  // Web links leave for the user's browser; the page stays where it is.
  auto* ventana = static_cast<VentanaWeb*>(yo);
  if (ventana->entorno_.abrirEnlace) ventana->entorno_.abrirEnlace(uri);
  webkit_policy_decision_ignore(decision);
  return TRUE;
}

void VentanaWeb::alRecibir(WebKitUserContentManager*, WebKitJavascriptResult* resultado,
                           gpointer yo) {
  auto* ventana = static_cast<VentanaWeb*>(yo);
  JSCValue* valor = webkit_javascript_result_get_js_value(resultado);
  if (!jsc_value_is_object(valor) || jsc_value_is_array(valor) || jsc_value_is_function(valor))
    return;
  char* texto = jsc_value_to_json(valor, 0);
  if (!texto) return;
  auto mensaje = Json::parse(texto, nullptr, false);
  g_free(texto);
  if (mensaje.is_object() && ventana->alMensaje) ventana->alMensaje(mensaje);
}

}  // namespace orvo
