// A Python peer on the test's session bus: started with /usr/bin/python3, read line by
// line while the default main context runs (the code under test lives there too).
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
// Runs it for a while: for what should not happen.
void girarDurante(std::chrono::milliseconds tiempo);

class ParPython {
 public:
  // `guion` is a file of tests/bandeja.
  ParPython(const std::string& guion, const std::vector<std::string>& argumentos = {});
  ~ParPython();
  ParPython(const ParPython&) = delete;
  ParPython& operator=(const ParPython&) = delete;

  // The next line of its standard output as JSON, or nothing after the limit.
  std::optional<nlohmann::json> siguiente(
      std::chrono::milliseconds limite = std::chrono::seconds(10));
  void escribir(const std::string& linea);
  // Kills it and waits until it is gone, with its names on the bus.
  void matar();

 private:
  void leer();
  GSubprocess* proceso_ = nullptr;
  GDataInputStream* salida_ = nullptr;
  GCancellable* cancelar_ = nullptr;
  std::deque<std::string> lineas_;
  bool cerrada_ = false;
};

}  // namespace orvo::prueba
