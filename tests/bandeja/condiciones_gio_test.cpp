// GIO's own network and power profile monitors read through the program's conditions,
// against stand-ins of NetworkManager and the power profiles daemon on the test's bus,
// which takes the system bus's place.
#include "plataforma/linux/condiciones_gio.h"

#include <gtest/gtest.h>

#include <string>

#include "apoyo/girar.h"

namespace orvo {
namespace {

using namespace prueba;

TEST(CondicionesGio, LeeLaRedLimitadaYElAhorroDeGioYOyeCuandoTerminan) {
  // Before GIO first looks at the system bus or chooses its monitors.
  gchar* sesion = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  g_setenv("DBUS_SYSTEM_BUS_ADDRESS", sesion, TRUE);
  g_free(sesion);
  g_setenv("GIO_USE_NETWORK_MONITOR", "networkmanager", TRUE);
  // Metered "yes" (1) and power saving at start.
  GSubprocess* falso = g_subprocess_new(
      GSubprocessFlags(G_SUBPROCESS_FLAGS_STDIN_PIPE | G_SUBPROCESS_FLAGS_STDOUT_PIPE), nullptr,
      "/usr/bin/python3", ORVO_PARES_BANDEJA "/sistema_falso.py", "1", "power-saver", nullptr);
  ASSERT_TRUE(falso);
  GDataInputStream* salida = g_data_input_stream_new(g_subprocess_get_stdout_pipe(falso));
  char* listo = g_data_input_stream_read_line(salida, nullptr, nullptr, nullptr);
  EXPECT_STREQ(listo, "listo");
  g_free(listo);
  auto ordenar = [&](std::string orden) {
    g_output_stream_write_all(g_subprocess_get_stdin_pipe(falso), orden.data(), orden.size(),
                              nullptr, nullptr, nullptr);
  };
  {
    CondicionesGio condiciones;
    int avisos = 0;
    condiciones.observar([&] { ++avisos; });
    EXPECT_TRUE(condiciones.redLimitada());
    // The power profiles are asked for on the main context, a moment later.
    EXPECT_TRUE(girarHasta([&] { return condiciones.ahorroDeEnergia(); }));
    ordenar("Metered 4\n");  // a guess of "no"
    EXPECT_TRUE(girarHasta([&] { return !condiciones.redLimitada(); }));
    ordenar("ActiveProfile balanced\n");
    EXPECT_TRUE(girarHasta([&] { return !condiciones.ahorroDeEnergia(); }));
    EXPECT_EQ(avisos, 3);  // each change once, power saving's start included
  }
  g_output_stream_close(g_subprocess_get_stdin_pipe(falso), nullptr, nullptr);
  g_subprocess_wait(falso, nullptr, nullptr);
  g_object_unref(salida);
  g_object_unref(falso);
}

}  // namespace
}  // namespace orvo
