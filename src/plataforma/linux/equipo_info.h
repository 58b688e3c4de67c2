// What the usage report says about this computer: its name and its system.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orvo {

// The value of `clave` in an os-release / machine-info style file (KEY="value" lines,
// shell quoting undone), or absent.
std::optional<std::string> valorDeArchivoShell(const std::filesystem::path& archivo,
                                               const std::string& clave);

// The pretty host name the user gave the machine, else the plain host name; "" if none.
std::string nombreDelEquipo(const std::filesystem::path& machineInfo = "/etc/machine-info");

// PRETTY_NAME of os-release with the kernel release, e.g. "Debian GNU/Linux 12 (bookworm)
// (Linux 6.1.0-13-amd64)".
std::string versionDelSistema(const std::filesystem::path& osRelease = "/etc/os-release");

}  // namespace orvo
