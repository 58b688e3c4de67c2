#include "plataforma/gtk/aplicacion.h"

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <csignal>

#include <cstdio>
#include <memory>

#include "plataforma/gtk/pantalla_gtk.h"

namespace orvo {

namespace {

struct Estado {
  std::filesystem::path web;
  Preferencias& preferencias;
  AvisosAplicacion avisos;
  std::unique_ptr<PantallaGtk> pantalla;
  // The first activate or open is the first launch itself, not a second one.
  bool primera = true;
};

void alIniciar(GApplication* app, gpointer p) {
  auto* e = static_cast<Estado*>(p);
  // A tray program lives on with every window closed.
  g_application_hold(app);
  e->pantalla = std::make_unique<PantallaGtk>(GTK_APPLICATION(app), e->web, e->preferencias);
  e->avisos.lanzar(*e->pantalla);
}

void alActivar(GApplication*, gpointer p) {
  auto* e = static_cast<Estado*>(p);
  if (!std::exchange(e->primera, false)) e->avisos.reabrir();
}

void alAbrir(GApplication*, GFile** archivos, int n, const char*, gpointer p) {
  auto* e = static_cast<Estado*>(p);
  e->primera = false;
  std::vector<std::string> urls;
  for (int i = 0; i < n; ++i) {
    char* uri = g_file_get_uri(archivos[i]);
    urls.emplace_back(uri);
    g_free(uri);
  }
  e->avisos.abrir(urls);
}

}  // namespace

bool iniciarGtk() {
  // WM_CLASS (name and class) from these, as the desktop entry's StartupWMClass says.
  g_set_prgname(kIdAplicacion);
  // GTK opens the display's GL at start only to choose visuals; the windows draw without
  // it (the pages need no compositing), and a software GL costs some 10 MB all day.
  bool sinGl = !g_getenv("GDK_GL");
  if (sinGl) g_setenv("GDK_GL", "disable", TRUE);
  bool pantalla = gtk_init_check(nullptr, nullptr);
  // What the program starts (apps, the browser) must not inherit it.
  if (sinGl) g_unsetenv("GDK_GL");
  if (!pantalla) return false;
  // After the start, which sets the class from the program's name, capitalised.
  gdk_set_program_class(kIdAplicacion);
  gtk_window_set_default_icon_name(kIconoAplicacion);
  return true;
}

int correrAplicacion(const std::filesystem::path& web, Preferencias& preferencias,
                     AvisosAplicacion avisos, int argc, char** argv) {
  if (!iniciarGtk()) {
    std::fprintf(stderr,
                 "No hay una pantalla donde mostrar las ventanas (DISPLAY o WAYLAND_DISPLAY).\n");
    return 1;
  }
  Estado estado{web, preferencias, std::move(avisos), nullptr};
  auto* app = gtk_application_new(kIdAplicacion, G_APPLICATION_HANDLES_OPEN);
  g_signal_connect(app, "startup", G_CALLBACK(alIniciar), &estado);
  g_signal_connect(app, "activate", G_CALLBACK(alActivar), &estado);
  g_signal_connect(app, "open", G_CALLBACK(alAbrir), &estado);
  // A logout or Ctrl+C ends the program as its own menu does: the windows keep their frames
  // and every manager closes its files.
  auto salirPorSenal = [](gpointer app) -> gboolean {
    g_application_quit(G_APPLICATION(app));
    return G_SOURCE_CONTINUE;
  };
  guint termino = g_unix_signal_add(SIGTERM, salirPorSenal, app);
  guint interrupcion = g_unix_signal_add(SIGINT, salirPorSenal, app);
  int salida = g_application_run(G_APPLICATION(app), argc, argv);
  g_source_remove(termino);
  g_source_remove(interrupcion);
  if (estado.avisos.terminar) estado.avisos.terminar();
  estado.pantalla.reset();
  g_object_unref(app);
  return salida;
}

}  // namespace orvo
