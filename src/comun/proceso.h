// Runs one system tool to completion, without a shell, its output discarded.
#pragma once

#include <string>
#include <vector>

namespace orvo {

// The tool's exit status; -1 when it cannot be started; 128 + signal when killed.
int correr(const std::string& ejecutable, const std::vector<std::string>& argumentos);

}  // namespace orvo
