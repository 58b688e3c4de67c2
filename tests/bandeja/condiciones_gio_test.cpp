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
  ASSERT_TRUE(sesion);
  g_setenv("DBUS_SYSTEM_BUS_ADDRESS", sesion, TRUE);
  g_free(sesion);
  g_setenv("GIO_USE_NETWORK_MONITOR", "networkmanager", TRUE);
  // Metered "yes" (1) and power saving at start.
  GError* error = nullptr;
  GSubprocess* falso = g_subprocess_new(
      GSubprocessFlags(G_SUBPROCESS_FLAGS_STDIN_PIPE | G_SUBPROCESS_FLAGS_STDOUT_PIPE), &error,
      "/usr/bin/python3", ORVO_PARES_BANDEJA "/sistema_falso.py", "1", "power-saver", nullptr);
  ASSERT_TRUE(falso) << error->message;
  GDataInputStream* salida = g_data_input_stream_new(g_subprocess_get_stdout_pipe(falso));
  char* linea = g_data_input_stream_read_line(salida, nullptr, nullptr, nullptr);
  ASSERT_STREQ(linea, "listo");
  g_free(linea);
  auto ordenar = [&](const std::string& orden) {
    auto texto = orden + "\n";
    ASSERT_TRUE(g_output_stream_write_all(g_subprocess_get_stdin_pipe(falso), texto.data(),
                                          texto.size(), nullptr, nullptr, nullptr));
  };

  {
    CondicionesGio condiciones;
    int avisos = 0;
    condiciones.observar([&] { ++avisos; });
    EXPECT_TRUE(condiciones.redLimitada());
    // The power profiles are asked for on the main context, a moment later.
    ASSERT_TRUE(girarHasta([&] { return condiciones.ahorroDeEnergia(); }));
    EXPECT_EQ(condiciones.espera(), "Esperando una red sin límite de datos");

    ordenar("Metered 4");  // a guess of "no"
    ASSERT_TRUE(girarHasta([&] { return !condiciones.redLimitada(); }));
    EXPECT_EQ(condiciones.espera(), "Esperando a que termine el ahorro de energía");
    ordenar("ActiveProfile balanced");
    ASSERT_TRUE(girarHasta([&] { return !condiciones.ahorroDeEnergia(); }));
    EXPECT_EQ(condiciones.espera(), std::nullopt);
    // Each change once, power saving's start included.
    EXPECT_EQ(avisos, 3);
  }

  g_output_stream_close(g_subprocess_get_stdin_pipe(falso), nullptr, nullptr);
  g_subprocess_wait(falso, nullptr, nullptr);
  g_object_unref(salida);
  g_object_unref(falso);
}

}  // namespace
}  // namespace orvo
