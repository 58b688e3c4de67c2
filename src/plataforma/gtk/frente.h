// Bringing another program forward from the display: on X11 its window through EWMH, and
// everywhere an activation token for starting it again.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

#include "plataforma/linux/espacio_linux.h"

namespace orvo {

// Asks the window manager to activate the first window in _NET_CLIENT_LIST whose
// _NET_WM_PID is `pid`. False off X11 or when the process has no such window.
bool alzarVentanaDe(pid_t pid);

// A startup notification id (X11) or xdg-activation token (Wayland) for `ejecutable`, from
// the display's launch context; absent when it gives none.
std::optional<std::string> fichaDeActivacion(const std::filesystem::path& ejecutable);

// Both, for EspacioLinux::usarEscritorio. After gtk_init, on the main thread.
EspacioLinux::Escritorio escritorioGtk();

}  // namespace orvo
