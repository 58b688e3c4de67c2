// Quoting for /bin/sh command texts.
#pragma once

#include <filesystem>
#include <string>

namespace orvo {

// `ruta` in single quotes, each single quote inside written as '\''.
std::string entreComillas(const std::filesystem::path& ruta);

}  // namespace orvo
