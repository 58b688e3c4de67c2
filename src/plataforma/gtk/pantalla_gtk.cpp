#include "plataforma/gtk/pantalla_gtk.h"

#include "comun/log.h"
#include "plataforma/gtk/ventana_web.h"

namespace orvo {

namespace {

struct Edicion {
  const char* accion;
  const char* tecla;
};
constexpr Edicion kEdicion[] = {{"cortar", "<Control>x"},
                                {"copiar", "<Control>c"},
                                {"pegar", "<Control>v"},
                                {"seleccionarTodo", "<Control>a"}};

void editar(GSimpleAction* accion, GVariant*, gpointer app) {
  auto* ventana = ventanaDelUsuario(GTK_APPLICATION(app));
  auto* web = ventana ? VentanaWeb::de(ventana) : nullptr;
  if (web && web->vista()) web->vista()->editar(g_action_get_name(G_ACTION(accion)));
}

void cerrar(GSimpleAction*, GVariant*, gpointer app) {
  // Closing hides, as the window's own close button does.
  if (auto* ventana = ventanaDelUsuario(GTK_APPLICATION(app))) gtk_window_close(ventana);
}

void salir(GSimpleAction*, GVariant*, gpointer app) { g_application_quit(G_APPLICATION(app)); }

}  // namespace

GtkWindow* ventanaDelUsuario(GtkApplication* aplicacion) {
  auto* activa = gtk_application_get_active_window(aplicacion);
  if (activa && gtk_widget_get_visible(GTK_WIDGET(activa))) return activa;
  for (auto* l = gtk_application_get_windows(aplicacion); l; l = l->next)
    if (gtk_widget_get_visible(GTK_WIDGET(l->data))) return GTK_WINDOW(l->data);
  return nullptr;
}

PantallaGtk::PantallaGtk(GtkApplication* aplicacion, std::filesystem::path web,
                         Preferencias& preferencias)
    : aplicacion_(aplicacion), web_(std::move(web)), preferencias_(preferencias) {
  // The pages are dark whatever the desktop's theme.
  g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", TRUE, nullptr);
}

std::unique_ptr<Ventana> PantallaGtk::crearVentana(const FormaVentana& forma) {
  auto ventana = std::make_unique<VentanaWeb>(
      forma, VentanaWeb::Entorno{.web = web_,
                                 .preferencias = preferencias_,
                                 .abrirEnlace = [this](const std::string& u) { abrirEnlace(u); },
                                 .aplicacion = aplicacion_,
                                 .relacionada = primera_});
  // Whichever of the two shows first starts the web process; the other joins it.
  if (primera_)
    primera_->compartirCon(ventana.get());
  else
    primera_ = ventana.get();
  return ventana;
}

void PantallaGtk::instalarMenu() {
  static const GActionEntry acciones[] = {
      {"cerrar", cerrar, nullptr, nullptr, nullptr, {}},
      {"salir", salir, nullptr, nullptr, nullptr, {}},
      {"cortar", editar, nullptr, nullptr, nullptr, {}},
      {"copiar", editar, nullptr, nullptr, nullptr, {}},
      {"pegar", editar, nullptr, nullptr, nullptr, {}},
      {"seleccionarTodo", editar, nullptr, nullptr, nullptr, {}},
  };
  g_action_map_add_action_entries(G_ACTION_MAP(aplicacion_), acciones, G_N_ELEMENTS(acciones),
                                  aplicacion_);
  auto teclas = [&](const char* accion, const char* tecla) {
    const char* lista[] = {tecla, nullptr};
    gtk_application_set_accels_for_action(aplicacion_, accion, lista);
  };
  teclas("app.cerrar", "<Control>w");
  teclas("app.salir", "<Control>q");
  for (const auto& e : kEdicion) teclas((std::string("app.") + e.accion).c_str(), e.tecla);
}

void PantallaGtk::elegirCarpeta(std::function<void(std::optional<std::filesystem::path>)> listo) {
  auto* dialogo = gtk_file_chooser_native_new(nullptr, ventanaDelUsuario(aplicacion_),
                                              GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER,
                                              "Usar esta carpeta", nullptr);
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(dialogo), TRUE);
  auto* dato = new std::function<void(std::optional<std::filesystem::path>)>(std::move(listo));
  g_signal_connect(
      dialogo, "response", G_CALLBACK(+[](GtkNativeDialog* d, int respuesta, gpointer p) {
        std::unique_ptr<std::function<void(std::optional<std::filesystem::path>)>> listo(
            static_cast<std::function<void(std::optional<std::filesystem::path>)>*>(p));
        std::optional<std::filesystem::path> carpeta;
        if (respuesta == GTK_RESPONSE_ACCEPT) {
          if (char* f = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(d))) {
            carpeta = f;
            g_free(f);
          }
        }
        g_object_unref(d);
        (*listo)(carpeta);
      }),
      dato);
  gtk_native_dialog_show(GTK_NATIVE_DIALOG(dialogo));
}

void PantallaGtk::abrirEnlace(const std::string& url) {
  GError* error = nullptr;
  if (!g_app_info_launch_default_for_uri(url.c_str(), nullptr, &error)) {
    Log::escribir("no pude abrir " + url + ": " + (error ? error->message : "sin detalle"));
    g_clear_error(&error);
  }
}

bool PantallaGtk::activa() const {
  for (auto* l = gtk_application_get_windows(aplicacion_); l; l = l->next)
    if (gtk_window_is_active(GTK_WINDOW(l->data))) return true;
  return false;
}

void PantallaGtk::terminar() { g_application_quit(G_APPLICATION(aplicacion_)); }

}  // namespace orvo
