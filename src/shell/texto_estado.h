// A readable line for each app's status, for the command line.
#pragma once

#include <string>
#include <vector>

#include "comun/json_estricto.h"

namespace orvo {

// "Orvo Video 2.4 · 12: instalada 2.3 · 11, hay una nueva, abierta"
std::string textoApp(const Json& estado);
// Every app's text joined by "; ", or "sin apps".
std::string textoEstado(const std::vector<Json>& estados);

}  // namespace orvo
