// Runs GLib's default main context, where the code under test meets D-Bus peers and
// WebKit views, for tests that wait on them.
#pragma once

#include <glib.h>

#include <chrono>
#include <functional>

namespace orvo::prueba {

// Until `listo` holds or the time runs out; whether it holds.
inline bool girarHasta(const std::function<bool()>& listo,
                       std::chrono::milliseconds limite = std::chrono::seconds(20)) {
  bool vencido = false;
  guint reloj = g_timeout_add(
      limite.count(), [](gpointer v) { return *static_cast<bool*>(v) = true, G_SOURCE_REMOVE; },
      &vencido);
  while (!listo() && !vencido) g_main_context_iteration(nullptr, TRUE);
  if (!vencido) g_source_remove(reloj);
  return listo();
}

inline void girarDurante(std::chrono::milliseconds t) {
  girarHasta([] { return false; }, t);
}

}  // namespace orvo::prueba
