#include "plataforma/gtk/bus_sesion.h"

#include "comun/log.h"

namespace orvo {

GDBusConnection* busDeSesion(const std::string& sinEl) {
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (!bus) anotarFallo(error, "Sin bus de sesión: " + sinEl);
  return bus;
}

void anotarFallo(GError* error, const std::string& que) {
  if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
    Log::escribir(que + " (" + error->message + ")");
  g_error_free(error);
}

}  // namespace orvo
