#include "comun/proceso.h"

#include <cerrno>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orvo {

int correr(const std::string& ejecutable, const std::vector<std::string>& argumentos) {
  // posix_spawn reports a missing file only through the child's exit; check first.
  if (::access(ejecutable.c_str(), X_OK) != 0) return -1;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(ejecutable.c_str()));
  for (const auto& a : argumentos) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t acciones;
  posix_spawn_file_actions_init(&acciones);
  posix_spawn_file_actions_addopen(&acciones, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&acciones, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int e = posix_spawn(&pid, ejecutable.c_str(), &acciones, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&acciones);
  if (e != 0) return -1;

  int estado = 0;
  while (::waitpid(pid, &estado, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(estado)) return WEXITSTATUS(estado);
  if (WIFSIGNALED(estado)) return 128 + WTERMSIG(estado);
  return -1;
}

}  // namespace orvo
