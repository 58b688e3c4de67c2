// The per-server session tokens, kept in sesion.json in the data folder.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "comun/resultado.h"

namespace orvo {

// Server base (absolute text with its closing "/") → token.
using Tokens = std::map<std::string, std::string>;

// A missing or undecodable file is an empty table.
Tokens leerTokens(const std::filesystem::path& carpeta);
// Compact JSON, atomic, readable by the owner only from the moment it exists.
Error escribirTokens(const std::filesystem::path& carpeta, const Tokens& tokens);

}  // namespace orvo
