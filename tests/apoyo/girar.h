// Runs GLib's default main context in a test until something holds: the code under test
// and its peers on the bus answer there.
#pragma once

#include <chrono>
#include <functional>

namespace orvo::prueba {

// Until `listo` holds or the time runs out; returns `listo()`.
bool girarHasta(const std::function<bool()>& listo,
                std::chrono::milliseconds limite = std::chrono::seconds(10));
inline void girarDurante(std::chrono::milliseconds t) {
  girarHasta([] { return false; }, t);
}

}  // namespace orvo::prueba
