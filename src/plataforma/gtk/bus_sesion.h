// What the tray item and the notifications share on the session bus.
#pragma once

#include <gio/gio.h>

#include <string>

namespace orvo {

// The session bus, or null with a line in the log saying what goes without it.
GDBusConnection* busDeSesion(const std::string& sinEl);

// Logs `que` with the error's text unless the call was cancelled; frees the error.
void anotarFallo(GError* error, const std::string& que);

}  // namespace orvo
