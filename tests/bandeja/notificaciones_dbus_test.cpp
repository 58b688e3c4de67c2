// The notices on a real notification server: one per rise of the count, each replacing the
// last, and only our own notification's actions answered.
#include "plataforma/gtk/notificaciones_dbus.h"

#include <gtest/gtest.h>

#include "par_python.h"
#include "shell/aviso_novedades.h"

namespace orvo {
namespace {

using nlohmann::json;
using prueba::girarDurante;
using prueba::girarHasta;
using prueba::ParPython;
using namespace std::chrono_literals;

TEST(NotificacionesDbus, UnaPorSubidaQueReemplazaLaAnteriorYSusAcciones) {
  int abrir = 0, actualizar = 0;
  NotificacionesDbus notificaciones;
  notificaciones.preparar({[&] { ++abrir; }, [&] { ++actualizar; }});
  AvisoNovedades aviso(notificaciones);
  ParPython servidor("servidor_notificaciones.py");
  auto listo = servidor.siguiente();
  ASSERT_TRUE(listo && (*listo)["listo"] == true);
  // A rise seen in the focused window is no news once it loses the focus; a count that
  // stays is no news either.
  Novedades dos{{"Orvo Foto", "Orvo Notas"}, {}};
  aviso.alEstado(dos, true);
  aviso.alEstado(dos, false);
  aviso.alEstado({}, false);
  aviso.alEstado(dos, false);
  aviso.alEstado(dos, false);
  auto primera = servidor.siguiente();
  ASSERT_TRUE(primera);
  EXPECT_EQ((*primera)["app"], "Orvo Suite");
  EXPECT_EQ((*primera)["titulo"], "Hay 2 actualizaciones de Orvo");
  EXPECT_EQ((*primera)["cuerpo"], "Orvo Foto, Orvo Notas");
  EXPECT_EQ((*primera)["acciones"],
            json({"default", "Abrir Orvo Suite", "actualizar-todo", "Actualizar todo"}));
  EXPECT_FALSE(servidor.siguiente(300ms)) << "notified without a rise";

  aviso.alEstado({{"Orvo Foto", "Orvo Notas"}, {"Mantenimiento el lunes"}}, false);
  auto segunda = servidor.siguiente();
  ASSERT_TRUE(segunda);
  EXPECT_EQ((*segunda)["titulo"], "Hay 2 actualizaciones y 1 aviso de Orvo");
  EXPECT_EQ((*segunda)["cuerpo"], "Orvo Foto, Orvo Notas\nMantenimiento el lunes");
  EXPECT_EQ((*segunda)["reemplaza"], (*primera)["id"]);
  // Notices alone offer no update.
  aviso.alEstado({}, false);
  aviso.alEstado({{}, {"Nuevo plan", "Mantenimiento"}}, false);
  auto avisos = servidor.siguiente();
  ASSERT_TRUE(avisos);
  EXPECT_EQ((*avisos)["titulo"], "Hay 2 avisos de Orvo");
  EXPECT_EQ((*avisos)["acciones"], json({"default", "Abrir Orvo Suite"}));
  int id = (*avisos)["id"];

  // Actions of someone else's notification are not ours.
  for (std::string linea :
       {std::string("ACCION 999 default"), "ACCION " + std::to_string(id) + " actualizar-todo"}) {
    servidor.escribir(linea);
    ASSERT_TRUE(servidor.siguiente());
  }
  EXPECT_TRUE(girarHasta([&] { return actualizar == 1; }));
  servidor.escribir("ACCION " + std::to_string(id) + " default");
  EXPECT_TRUE(girarHasta([&] { return abrir == 1; }));
  girarDurante(100ms);
  EXPECT_EQ(abrir, 1);

  // With the server gone a rise is lost quietly.
  servidor.matar();
  aviso.alEstado({}, false);
  aviso.alEstado(dos, false);
  girarDurante(200ms);
}

}  // namespace
}  // namespace orvo
