#include "plataforma/gtk/frente.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <vector>

namespace orvo {

namespace {

// A window of our own that hears its property changes: how X11 tells the current time.
GdkWindow* reloj() {
  static GdkWindow* ventana = [] {
    GdkWindowAttr a{};
    a.wclass = GDK_INPUT_OUTPUT;
    a.window_type = GDK_WINDOW_TEMP;  // never shown
    a.x = a.y = -10;
    a.width = a.height = 1;
    a.event_mask = GDK_PROPERTY_CHANGE_MASK;
    return gdk_window_new(nullptr, &a, GDK_WA_X | GDK_WA_Y);
  }();
  return ventana;
}

// The 32-bit values of `propiedad` on `ventana` (a window list, a pid); a window that went
// meanwhile reads as nothing.
std::vector<unsigned long> leer(Display* x, Window ventana, Atom propiedad, Atom tipo) {
  Atom real = None;
  int formato = 0;
  unsigned long n = 0, resto = 0;
  unsigned char* datos = nullptr;
  std::vector<unsigned long> valores;
  if (XGetWindowProperty(x, ventana, propiedad, 0, 65536, False, tipo, &real, &formato, &n, &resto,
                         &datos) == Success &&
      real == tipo && formato == 32 && datos) {
    auto* v = reinterpret_cast<unsigned long*>(datos);  // format 32 comes as longs
    valores.assign(v, v + n);
  }
  if (datos) XFree(datos);
  return valores;
}

}  // namespace

bool alzarVentanaDe(pid_t pid) {
  GdkDisplay* pantalla = gdk_display_get_default();
  if (!pantalla || !GDK_IS_X11_DISPLAY(pantalla)) return false;
  Display* x = GDK_DISPLAY_XDISPLAY(pantalla);
  Window raiz = DefaultRootWindow(x);
  Atom activa = XInternAtom(x, "_NET_ACTIVE_WINDOW", False);
  Atom lista = XInternAtom(x, "_NET_CLIENT_LIST", False);
  Atom delPid = XInternAtom(x, "_NET_WM_PID", False);
  // A window may close while it is looked at.
  gdk_x11_display_error_trap_push(pantalla);
  Window elegida = None;
  for (auto w : leer(x, raiz, lista, XA_WINDOW)) {
    auto p = leer(x, w, delPid, XA_CARDINAL);
    if (!p.empty() && static_cast<pid_t>(p[0]) == pid) {
      elegida = w;
      break;
    }
  }
  if (elegida != None) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = elegida;
    e.xclient.message_type = activa;
    e.xclient.format = 32;
    e.xclient.data.l[0] = 2;  // from a pager: the user asked, no focus-stealing rules apply
    e.xclient.data.l[1] = gdk_x11_get_server_time(reloj());
    XSendEvent(x, raiz, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(x);
  }
  // Another window that went meanwhile is no failure of this one.
  gdk_x11_display_error_trap_pop_ignored(pantalla);
  return elegida != None;
}

std::optional<std::string> fichaDeActivacion(const std::filesystem::path& ejecutable) {
  GdkDisplay* pantalla = gdk_display_get_default();
  if (!pantalla) return std::nullopt;
  // Bundle folders have spaces in their names.
  char* orden = g_shell_quote(ejecutable.c_str());
  GAppInfo* info =
      g_app_info_create_from_commandline(orden, ejecutable.filename().c_str(),
                                         G_APP_INFO_CREATE_SUPPORTS_STARTUP_NOTIFICATION, nullptr);
  g_free(orden);
  if (!info) return std::nullopt;
  GdkAppLaunchContext* contexto = gdk_display_get_app_launch_context(pantalla);
  char* id =
      g_app_launch_context_get_startup_notify_id(G_APP_LAUNCH_CONTEXT(contexto), info, nullptr);
  std::optional<std::string> ficha;
  if (id && *id) ficha = id;
  g_free(id);
  g_object_unref(contexto);
  g_object_unref(info);
  return ficha;
}

EspacioLinux::Escritorio escritorioGtk() {
  return {.alzar = alzarVentanaDe, .ficha = fichaDeActivacion};
}

}  // namespace orvo
