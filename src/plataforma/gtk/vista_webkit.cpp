// The WebKit module: the one place that links WebKitGTK (see vista_web.h). The page
// bridge: the "suite" message handler in, scripts out.
#include <webkit2/webkit2.h>

#include "plataforma/gtk/vista_web.h"

namespace orvo {

namespace {

struct Edicion {
  const char* accion;
  const char* orden;
};
constexpr Edicion kEdicion[] = {{"cortar", WEBKIT_EDITING_COMMAND_CUT},
                                {"copiar", WEBKIT_EDITING_COMMAND_COPY},
                                {"pegar", WEBKIT_EDITING_COMMAND_PASTE},
                                {"seleccionarTodo", WEBKIT_EDITING_COMMAND_SELECT_ALL}};

class VistaWebKit : public VistaWeb {
 public:
  explicit VistaWebKit(Datos&& datos);
  ~VistaWebKit() override;

  void ejecutar(const std::string& js) override {
    webkit_web_view_evaluate_javascript(vista_, js.c_str(), static_cast<gssize>(js.size()), nullptr,
                                        nullptr, nullptr, nullptr, nullptr);
  }
  void editar(const std::string& accion) override {
    for (const auto& e : kEdicion)
      if (accion == e.accion) webkit_web_view_execute_editing_command(vista_, e.orden);
  }
  GtkWidget* widget() const override { return GTK_WIDGET(vista_); }

 private:
  static void alCargar(WebKitWebView*, WebKitLoadEvent evento, gpointer yo);
  static gboolean alDecidir(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType,
                            gpointer yo);
  static void alRecibir(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer yo);

  Datos datos_;
  WebKitUserContentManager* contenido_ = nullptr;
  WebKitWebView* vista_ = nullptr;
};

// WebKit checks once, at its first view, whether GTK can make GL contexts, and warns on
// standard error when not. Here GL is off on purpose (see correrAplicacion): not news.
void filtrarAvisoGl(const gchar* dominio, GLogLevelFlags nivel, const gchar* texto, gpointer) {
  if (!g_str_has_prefix(texto, "Disabled hardware acceleration"))
    g_log_default_handler(dominio, nivel, texto, nullptr);
}

WebKitWebView* nuevaVista(WebKitUserContentManager* contenido, WebKitWebView* relacionada) {
  guint filtro = g_log_set_handler(nullptr, G_LOG_LEVEL_WARNING, filtrarAvisoGl, nullptr);
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
  g_log_remove_handler(nullptr, filtro);
  return WEBKIT_WEB_VIEW(vista);
}

VistaWebKit::VistaWebKit(Datos&& datos) : datos_(std::move(datos)) {
  contenido_ = webkit_user_content_manager_new();
  g_signal_connect(contenido_, "script-message-received::suite", G_CALLBACK(alRecibir), this);
  webkit_user_content_manager_register_script_message_handler(contenido_, "suite");
  auto* relacionada = static_cast<VistaWebKit*>(datos_.relacionada);
  vista_ = nuevaVista(contenido_, relacionada ? relacionada->vista_ : nullptr);
  GdkRGBA transparente{0, 0, 0, 0};
  webkit_web_view_set_background_color(vista_, &transparente);
  g_signal_connect(vista_, "load-changed", G_CALLBACK(alCargar), this);
  g_signal_connect(vista_, "decide-policy", G_CALLBACK(alDecidir), this);
  if (datos_.ancho > 0 && datos_.alto > 0)
    gtk_widget_set_size_request(GTK_WIDGET(vista_), datos_.ancho, datos_.alto);
  gtk_container_add(GTK_CONTAINER(datos_.ventana), GTK_WIDGET(vista_));
  gtk_widget_show(GTK_WIDGET(vista_));
  webkit_web_view_load_uri(vista_, datos_.uri.c_str());
}

VistaWebKit::~VistaWebKit() {
  g_signal_handlers_disconnect_by_data(contenido_, this);
  g_signal_handlers_disconnect_by_data(vista_, this);
  webkit_user_content_manager_unregister_script_message_handler(contenido_, "suite");
  g_object_unref(contenido_);
}

void VistaWebKit::alCargar(WebKitWebView*, WebKitLoadEvent evento, gpointer yo) {
  auto* v = static_cast<VistaWebKit*>(yo);
  if (evento == WEBKIT_LOAD_FINISHED && v->datos_.cargada) v->datos_.cargada();
}

gboolean VistaWebKit::alDecidir(WebKitWebView*, WebKitPolicyDecision* decision,
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
  auto* v = static_cast<VistaWebKit*>(yo);
  if (v->datos_.enlace) v->datos_.enlace(uri);
  webkit_policy_decision_ignore(decision);
  return TRUE;
}

void VistaWebKit::alRecibir(WebKitUserContentManager*, WebKitJavascriptResult* resultado,
                            gpointer yo) {
  auto* v = static_cast<VistaWebKit*>(yo);
  JSCValue* valor = webkit_javascript_result_get_js_value(resultado);
  if (!jsc_value_is_object(valor) || jsc_value_is_array(valor) || jsc_value_is_function(valor))
    return;
  char* texto = jsc_value_to_json(valor, 0);
  if (!texto) return;
  if (v->datos_.mensaje) v->datos_.mensaje(texto);
  g_free(texto);
}

}  // namespace

}  // namespace orvo

extern "C" __attribute__((visibility("default"))) orvo::VistaWeb* orvo_crear_vista_web(
    orvo::VistaWeb::Datos&& datos) {
  return new orvo::VistaWebKit(std::move(datos));
}
