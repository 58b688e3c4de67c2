// A Python peer of tests/bandeja on the test's session bus, read line by line (JSON) while
// the default main context runs: the code under test lives there too.
#pragma once

#include <gio/gio.h>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace orvo::prueba {

// Runs the default main context until `listo` holds or the time runs out.
bool girarHasta(const std::function<bool()>& listo,
                std::chrono::milliseconds limite = std::chrono::seconds(10));
inline void girarDurante(std::chrono::milliseconds t) {
  girarHasta([] { return false; }, t);
}

class ParPython {
 public:
  ParPython(const std::string& guion, const std::vector<std::string>& argumentos = {});
  ~ParPython();
  ParPython(const ParPython&) = delete;
  ParPython& operator=(const ParPython&) = delete;

  // The next line it printed, or nothing after the limit.
  std::optional<nlohmann::json> siguiente(
      std::chrono::milliseconds limite = std::chrono::seconds(10));
  void escribir(const std::string& linea);
  // Kills it and waits until it is gone, with its names on the bus.
  void matar();

 private:
  void leer();
  GSubprocess* proceso_ = nullptr;
  GDataInputStream* salida_ = nullptr;
  GCancellable* cancelar_ = g_cancellable_new();
  std::deque<std::string> lineas_;
  bool cerrada_ = false;
};

}  // namespace orvo::prueba
