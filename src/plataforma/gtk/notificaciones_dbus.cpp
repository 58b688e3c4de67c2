#include "plataforma/gtk/notificaciones_dbus.h"

#include <memory>
#include <string_view>

#include "plataforma/gtk/bus_sesion.h"

namespace orvo {

namespace {

constexpr const char* kServicio = "org.freedesktop.Notifications";
constexpr const char* kRuta = "/org/freedesktop/Notifications";
constexpr const char* kAccionActualizar = "actualizar-todo";

}  // namespace

NotificacionesDbus::~NotificacionesDbus() {
  if (!bus_) return;
  g_cancellable_cancel(cancelar_);
  g_object_unref(cancelar_);
  g_dbus_connection_signal_unsubscribe(bus_, suscripcion_);
  g_object_unref(bus_);
}

void NotificacionesDbus::preparar(Acciones acciones) {
  if (bus_) return;
  acciones_ = std::move(acciones);
  bus_ = busDeSesion("no habrá notificaciones");
  if (!bus_) return;
  cancelar_ = g_cancellable_new();
  suscripcion_ = g_dbus_connection_signal_subscribe(bus_, kServicio, kServicio, "ActionInvoked",
                                                    kRuta, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                                    alAccion, this, nullptr);
}

void NotificacionesDbus::mostrar(const std::string& titulo, const std::string& cuerpo,
                                 bool conActualizar) {
  if (!bus_) return;
  // The body is markup for a server that says so (a notice's "<en directo>" would vanish
  // and its text could add links), plain text otherwise: ask each time, the server may
  // have been replaced since.
  auto* aviso = new Pendiente{this, titulo, cuerpo, conActualizar};
  g_dbus_connection_call(
      bus_, kServicio, kRuta, kServicio, "GetCapabilities", nullptr, G_VARIANT_TYPE("(as)"),
      G_DBUS_CALL_FLAGS_NONE, -1, cancelar_,
      [](GObject* origen, GAsyncResult* resultado, gpointer datos) {
        std::unique_ptr<Pendiente> p(static_cast<Pendiente*>(datos));
        GError* error = nullptr;
        GVariant* r = g_dbus_connection_call_finish(G_DBUS_CONNECTION(origen), resultado, &error);
        if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) return g_error_free(error);
        g_clear_error(&error);  // a server that cannot say gets plain text
        bool marcado = false;
        if (r) {
          GVariantIter* capacidades = nullptr;
          const gchar* c = nullptr;
          g_variant_get(r, "(as)", &capacidades);
          while (g_variant_iter_loop(capacidades, "&s", &c))
            marcado = marcado || std::string_view(c) == "body-markup";
          g_variant_iter_free(capacidades);
          g_variant_unref(r);
        }
        if (marcado) {
          gchar* escapado = g_markup_escape_text(p->cuerpo.c_str(), -1);
          p->cuerpo = escapado;
          g_free(escapado);
        }
        p->yo->notificar(*p);
      },
      aviso);
}

void NotificacionesDbus::notificar(const Pendiente& p) {
  GVariantBuilder acciones;
  g_variant_builder_init(&acciones, G_VARIANT_TYPE("as"));
  for (const char* a : {"default", "Abrir Orvo Suite"}) g_variant_builder_add(&acciones, "s", a);
  if (p.conActualizar)
    for (const char* a : {kAccionActualizar, "Actualizar todo"})
      g_variant_builder_add(&acciones, "s", a);
  GVariantBuilder pistas;
  g_variant_builder_init(&pistas, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&pistas, "{sv}", "desktop-entry", g_variant_new_string("orvo-suite"));
  // Replacing the last one keeps at most one of ours on screen.
  g_dbus_connection_call(
      bus_, kServicio, kRuta, kServicio, "Notify",
      g_variant_new("(susssasa{sv}i)", "Orvo Suite", ultima_, "orvo-suite", p.titulo.c_str(),
                    p.cuerpo.c_str(), &acciones, &pistas, -1),
      G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, cancelar_,
      [](GObject* origen, GAsyncResult* resultado, gpointer yo) {
        GError* error = nullptr;
        GVariant* r = g_dbus_connection_call_finish(G_DBUS_CONNECTION(origen), resultado, &error);
        if (!r) return anotarFallo(error, "No pude mostrar la notificación");
        g_variant_get(r, "(u)", &static_cast<NotificacionesDbus*>(yo)->ultima_);
        g_variant_unref(r);
      },
      this);
}

void NotificacionesDbus::alAccion(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                  const gchar*, GVariant* parametros, gpointer yo) {
  auto* n = static_cast<NotificacionesDbus*>(yo);
  guint32 id = 0;
  const gchar* clave = nullptr;
  g_variant_get(parametros, "(u&s)", &id, &clave);
  // The signal goes to every client of the server: only our own notification counts.
  if (id == 0 || id != n->ultima_) return;
  std::string_view accion = clave;
  if (accion == "default" && n->acciones_.abrir) n->acciones_.abrir();
  if (accion == kAccionActualizar && n->acciones_.actualizarTodo) n->acciones_.actualizarTodo();
}

}  // namespace orvo
