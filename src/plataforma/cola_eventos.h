// The traffic from the program to one page: each event becomes one call of the page's
// `window.suite.evento`, held back until the page has loaded. Snapshots and installation
// events are complete in themselves, so a waiting one is replaced by a newer one of the
// same kind: the queue stays short however long the page takes to load.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "comun/json_estricto.h"

namespace orvo {

class ColaEventos {
 public:
  // Runs one script in the page.
  explicit ColaEventos(std::function<void(const std::string&)> correr);

  // "window.suite && window.suite.evento(<json>)"; absent when `evento` cannot be
  // written as JSON (text that is not UTF-8).
  static std::optional<std::string> llamada(const Json& evento);

  void enviar(const Json& evento);
  // The page finished loading: what waited runs in order, later events go straight.
  void cargada();
  bool lista() const { return lista_; }
  size_t pendientes() const { return pendientes_.size(); }

 private:
  std::function<void(const std::string&)> correr_;
  bool lista_ = false;
  std::vector<std::pair<std::string, std::string>> pendientes_;  // tipo, script
};

}  // namespace orvo
