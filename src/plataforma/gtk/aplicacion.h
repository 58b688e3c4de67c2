// One instance per user session through GtkApplication on D-Bus. The first launch runs
// the program; a later one hands its request to it and ends: a plain launch becomes a
// reopen, a launch with orvosuite: links hands over the links.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "plataforma/linux/identidad.h"
#include "plataforma/preferencias.h"
#include "plataforma/ventana.h"

namespace orvo {

struct AvisosAplicacion {
  // The first instance starts: the display is open, the windows can be made.
  std::function<void(Pantalla&)> lanzar;
  // A later plain launch.
  std::function<void()> reabrir;
  // Links given to any launch, the first included.
  std::function<void(const std::vector<std::string>&)> abrir;
  // The main loop has ended; last chance to release what uses the windows.
  std::function<void()> terminar;
};

// Opens the display for GTK, without GL, as kIdAplicacion with its icon. Before any other
// thread starts: it sets and clears an environment variable. False without a display.
bool iniciarGtk();

// Runs the application until it quits; its exit status.
int correrAplicacion(const std::filesystem::path& web, Preferencias& preferencias,
                     AvisosAplicacion avisos, int argc, char** argv);

}  // namespace orvo
