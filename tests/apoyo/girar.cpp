#include "apoyo/girar.h"

#include <glib.h>

namespace orvo::prueba {

bool girarHasta(const std::function<bool()>& listo, std::chrono::milliseconds limite) {
  bool vencido = false;
  guint reloj = g_timeout_add(
      limite.count(), [](gpointer v) { return *static_cast<bool*>(v) = true, G_SOURCE_REMOVE; },
      &vencido);
  while (!listo() && !vencido) g_main_context_iteration(nullptr, TRUE);
  if (!vencido) g_source_remove(reloj);
  return listo();
}

}  // namespace orvo::prueba
