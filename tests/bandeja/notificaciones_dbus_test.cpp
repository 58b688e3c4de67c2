// The notices on a notification server: one per rise of the count, each replacing the
// last, and only our own notification's actions answered.
#include "plataforma/gtk/notificaciones_dbus.h"

#include <gtest/gtest.h>

#include <vector>

#include "pares.h"
#include "shell/aviso_novedades.h"

namespace orvo {
namespace {

using namespace prueba;
using namespace std::chrono_literals;
using Textos = std::vector<std::string>;

// Arguments are "in" unless they say otherwise.
constexpr const char* kServidor = R"(<node><interface name="org.freedesktop.Notifications">
  <method name="Notify"><arg type="s"/><arg type="u"/><arg type="s"/><arg type="s"/><arg type="s"/>
    <arg type="as"/><arg type="a{sv}"/><arg type="i"/><arg type="u" direction="out"/></method>
  <method name="GetCapabilities"><arg type="as" direction="out"/></method>
</interface></node>)";
constexpr const char* kRuta = "/org/freedesktop/Notifications";

struct Aviso {
  guint32 id, reemplaza;
  std::string titulo, cuerpo;
  Textos acciones;
};

TEST(NotificacionesDbus, UnaPorSubidaQueReemplazaLaAnteriorYSusAcciones) {
  int abrir = 0, actualizar = 0;
  NotificacionesDbus notificaciones;
  notificaciones.preparar({[&] { ++abrir; }, [&] { ++actualizar; }});
  AvisoNovedades aviso(notificaciones);
  std::vector<Aviso> vistos;
  Par servidor("org.freedesktop.Notifications", kRuta, kServidor,
               [&](const std::string& metodo, GVariant* argumentos, GDBusMethodInvocation* l) {
                 if (metodo == "GetCapabilities")
                   return g_dbus_method_invocation_return_value(
                       l, g_variant_new_parsed("(['actions', 'body'],)"));
                 Aviso a{};
                 const char *titulo, *cuerpo, **acciones;
                 g_variant_get(argumentos, "(&su&s&s&s^a&s@a{sv}i)", nullptr, &a.reemplaza, nullptr,
                               &titulo, &cuerpo, &acciones, nullptr, nullptr);
                 a.titulo = titulo, a.cuerpo = cuerpo;
                 for (auto** c = acciones; *c; ++c) a.acciones.push_back(*c);
                 g_free(acciones);
                 a.id = a.reemplaza ? a.reemplaza : vistos.size() + 1;
                 vistos.push_back(a);
                 g_dbus_method_invocation_return_value(l, g_variant_new("(u)", a.id));
               });
  auto siguiente = [&](size_t n) { return girarHasta([&] { return vistos.size() == n; }); };
  // A rise seen in the focused window is no news once it loses the focus; a count that
  // stays is no news either.
  Novedades dos{{"Orvo Foto", "Orvo Notas"}, {}};
  aviso.alEstado(dos, true);
  aviso.alEstado(dos, false);
  aviso.alEstado({}, false);
  aviso.alEstado(dos, false);
  aviso.alEstado(dos, false);
  ASSERT_TRUE(siguiente(1));
  EXPECT_EQ(vistos[0].titulo, "Hay 2 actualizaciones de Orvo");
  EXPECT_EQ(vistos[0].cuerpo, "Orvo Foto, Orvo Notas");
  EXPECT_EQ(vistos[0].acciones,
            (Textos{"default", "Abrir Orvo Suite", "actualizar-todo", "Actualizar todo"}));
  // A notice for a count that stays would be the next one below, with the wrong title.

  aviso.alEstado({{"Orvo Foto", "Orvo Notas"}, {"Mantenimiento el lunes"}}, false);
  ASSERT_TRUE(siguiente(2));
  EXPECT_EQ(vistos[1].titulo, "Hay 2 actualizaciones y 1 aviso de Orvo");
  EXPECT_EQ(vistos[1].cuerpo, "Orvo Foto, Orvo Notas\nMantenimiento el lunes");
  EXPECT_EQ(vistos[1].reemplaza, vistos[0].id);
  // Notices alone offer no update.
  aviso.alEstado({}, false);
  aviso.alEstado({{}, {"Nuevo plan", "Mantenimiento"}}, false);
  ASSERT_TRUE(siguiente(3));
  EXPECT_EQ(vistos[2].titulo, "Hay 2 avisos de Orvo");
  EXPECT_EQ(vistos[2].acciones, (Textos{"default", "Abrir Orvo Suite"}));

  // Actions of someone else's notification are not ours.
  auto pulsar = [&](guint32 id, const char* clave) {
    g_dbus_connection_emit_signal(servidor.bus, nullptr, kRuta, "org.freedesktop.Notifications",
                                  "ActionInvoked", g_variant_new("(us)", id, clave), nullptr);
  };
  pulsar(999, "default");
  pulsar(vistos[2].id, "actualizar-todo");
  EXPECT_TRUE(girarHasta([&] { return actualizar == 1; }));
  pulsar(vistos[2].id, "default");
  EXPECT_TRUE(girarHasta([&] { return abrir == 1; }));
  girarDurante(100ms);
  EXPECT_EQ(abrir, 1);

  // With the server gone a rise is lost quietly.
  servidor.salir();
  aviso.alEstado({}, false);
  aviso.alEstado(dos, false);
  girarDurante(200ms);
}

}  // namespace
}  // namespace orvo
