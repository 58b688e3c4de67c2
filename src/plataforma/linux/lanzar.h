// Starts a program that lives on its own, as a desktop launcher does.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orvo {

// Runs `ejecutable` with `argumentos` in a session of its own, stdin/stdout/stderr on
// /dev/null, working folder "/", default signal handling and none of our descriptors.
// It is our grandchild, so no zombie of it is ever left for us to reap. 0 once it runs,
// else the errno of why it could not (ENOENT, EACCES, ENOEXEC, ...). `entorno`: "NAME=value"
// entries that it gets besides (or instead of) ours.
int lanzarDesligado(const std::filesystem::path& ejecutable,
                    const std::vector<std::string>& argumentos = {},
                    const std::vector<std::string>& entorno = {});

}  // namespace orvo
