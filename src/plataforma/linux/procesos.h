// Which live processes run which executable, read from /proc.
#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <sys/types.h>

namespace orvo {

// One live process and the paths it may be running: its /proc/PID/exe and, because a
// script's "#!" line makes the kernel start the interpreter with the script's path as its
// first or second argument, the absolute paths among those two, links resolved.
struct Proceso {
  pid_t pid = 0;
  // Start time in clock ticks since boot: with the pid, it names this process and no
  // later one that reuses the number.
  unsigned long long inicio = 0;
  std::vector<std::filesystem::path> ejecutables;
};

// Every live (not zombie) process of this user: the same real uid as this program. Other
// users' processes, which a user session's list of apps never holds, are left out.
std::vector<Proceso> procesosVivos();

// The same, for a caller that scans again and again (the app watcher, all day long): a
// process whose start time and exec fingerprint are unchanged since the last scan still
// runs what it ran then, so only its /proc/PID/stat is read again.
class EscanerProcesos {
 public:
  std::vector<Proceso> vivos();

 private:
  struct Conocido {
    std::string firma;
    bool propio = false;  // of this user
    Proceso proceso;
  };
  std::mutex mutex_;
  std::unordered_map<pid_t, Conocido> conocidos_;
};
// The same for one pid; absent when it is gone, a zombie or another user's.
std::optional<Proceso> procesoDe(pid_t pid);

// The target of a /proc/PID/exe link. A binary replaced while it runs reads
// "PATH (deleted)"; the process still runs what was at PATH, so that is the answer. Empty when
// unreadable.
std::filesystem::path destinoDeExe(const std::filesystem::path& enlace);

}  // namespace orvo
