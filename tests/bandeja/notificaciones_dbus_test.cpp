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

TEST(NotificacionesDbus, OneNotificationPerRiseAndItsActions) {
  ParPython servidor("servidor_notificaciones.py");
  auto listo = servidor.siguiente();
  ASSERT_TRUE(listo && (*listo)["listo"] == true);

  int abrir = 0, actualizar = 0;
  NotificacionesDbus notificaciones;
  notificaciones.preparar({[&] { ++abrir; }, [&] { ++actualizar; }});
  AvisoNovedades aviso(notificaciones);
  Novedades dos{{"Orvo Foto", "Orvo Notas"}, {}};
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
  EXPECT_FALSE(servidor.siguiente(300ms)) << "a count that stayed was notified";

  // The next rise replaces the notification rather than piling up another.
  aviso.alEstado({{"Orvo Foto", "Orvo Notas", "Orvo Mapas"}, {}}, false);
  auto segunda = servidor.siguiente();
  ASSERT_TRUE(segunda);
  EXPECT_EQ((*segunda)["titulo"], "Hay 3 actualizaciones de Orvo");
  EXPECT_EQ((*segunda)["reemplaza"], (*primera)["id"]);
  int id = (*segunda)["id"];

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
  EXPECT_EQ(actualizar, 1);
}

TEST(NotificacionesDbus, NoServerIsNoFailure) {
  NotificacionesDbus notificaciones;
  notificaciones.preparar({});
  notificaciones.mostrar("Hay 1 aviso de Orvo", "Mantenimiento", false);
  girarDurante(200ms);
}

}  // namespace
}  // namespace orvo
