#include "plataforma/linux/modulos_gio.h"

#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

namespace orvo {

void resolverModulosGio() {
  // Each default is a singleton kept for the process: what later threads ask for is there.
  g_proxy_resolver_get_default();
  g_tls_backend_get_default();
  g_network_monitor_get_default();
  g_object_unref(g_power_profile_monitor_dup_default());
  g_object_unref(g_settings_backend_get_default());
  g_vfs_get_default();
}

}  // namespace orvo
