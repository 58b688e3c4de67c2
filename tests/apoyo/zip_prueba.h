// Zips made entry by entry with Python's zipfile, names written as given ("../x" too).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orvo::prueba {

using Entradas = std::vector<std::pair<std::string, std::string>>;

// Content that starts with this makes the entry a symbolic link to the rest.
inline const std::string kEnlaceA = "\x01->";

std::string zipDe(const Entradas& entradas);

}  // namespace orvo::prueba
