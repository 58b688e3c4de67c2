// Which live processes run a given executable, read from /proc.
#pragma once

#include <filesystem>
#include <vector>

#include <sys/types.h>

namespace orvo {

// Live (not zombie) processes whose /proc/PID/exe is `ejecutable`, or whose command line
// runs it through an interpreter (a script's "#!" line makes the kernel start the
// interpreter with the script's path as its first or second argument).
std::vector<pid_t> procesosDe(const std::filesystem::path& ejecutable);

// True while `pid` exists and is not a zombie.
bool procesoVivo(pid_t pid);

}  // namespace orvo
