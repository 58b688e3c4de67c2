// ISO 8601 internet date-times to the second, as the local files and the log write them.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace orvo {

using Instante = std::chrono::sys_seconds;

// "YYYY-MM-DDTHH:MM:SSZ" in UTC.
std::string textoFecha(Instante t);
Instante ahoraUtc();

// Accepts "YYYY-MM-DDTHH:MM:SS" followed by "Z", "±HH:MM" or "±HHMM". Fractional
// seconds and anything else are refused.
std::optional<Instante> leerFecha(std::string_view texto);

}  // namespace orvo
