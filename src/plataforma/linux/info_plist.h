// Reads an app bundle's Info.plist (XML or binary) with libplist.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace orvo {

// The top-level keys whose values are strings; other kinds are left out, so a caller
// asking for a key learns "absent or not text" in one look-up. Absent when the file
// cannot be read or is not a property-list dictionary.
std::optional<std::map<std::string, std::string>> leerInfoPlist(const std::filesystem::path& ruta);

}  // namespace orvo
