// The content fingerprint of a skill folder, which tells a copy the user edited from the
// one this program placed.
#pragma once

#include <filesystem>
#include <string>

namespace orvo {

// SHA-256 over every regular file below `carpeta`, in byte order of the relative paths:
// each path's UTF-8 bytes, a 0x00 byte, then the raw 32-byte digest of the file's
// contents (left out when it cannot be read). Times, modes, empty folders, symbolic links
// and ".DS_Store" files do not count; renaming, moving, adding, removing or editing a file
// does. A folder that cannot be listed has the digest of no input. 64 lower-case hex digits.
std::string huella(const std::filesystem::path& carpeta);

}  // namespace orvo
