// Links of the orvosuite scheme: other programs ask for skills and components to be
// installed, removed or checked without going through the pages.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvo {

struct DestinosEnlace {
  // accion is "instalar" or "quitar"; id is never empty.
  std::function<void(const std::string& accion, const std::string& id, bool confirmada,
                     bool forzar)>
      skill;
  std::function<void(const std::string& accion, const std::string& id)> componente;
  // A manifest check without completion.
  std::function<void()> revisar;
};

// Skill links first, then component links, each pass in the order given; however many
// "revisar" links a batch holds, it asks for one refresh. Anything that is not a
// well-formed link of ours is ignored without a word.
void manejarEnlaces(const std::vector<std::string>& urls, const DestinosEnlace& destinos);

// The decoded value of the first query item called `nombre`; an item without "=" has no
// value.
std::optional<std::string> valorConsulta(std::string_view consulta, std::string_view nombre);

}  // namespace orvo
