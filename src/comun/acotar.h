// Texts from a server that end up in a record file are cut to a sane length, so that no
// answer can grow those files without end.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace orvo {

constexpr size_t kTextoCorto = 256;   // names, versions, builds, labels
constexpr size_t kTextoLargo = 2000;  // messages

// `texto` itself when it fits; else its start, cut between characters, and "…", within
// `maximo` bytes.
std::string acotar(std::string texto, size_t maximo);
std::optional<std::string> acotar(std::optional<std::string> texto, size_t maximo);

}  // namespace orvo
