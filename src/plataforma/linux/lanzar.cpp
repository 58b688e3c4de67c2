#include "plataforma/linux/lanzar.h"

#include <cerrno>
#include <csignal>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orvo {

namespace {

void avisar(int tubo, int codigo) {
  while (::write(tubo, &codigo, sizeof codigo) < 0 && errno == EINTR) {
  }
}

// In the grandchild: only async-signal-safe calls between fork and exec, since the parent
// has other threads whose locks the fork copied.
[[noreturn]] void arrancar(const char* ruta, char* const argv[], char* const envp[], int aviso) {
  ::setsid();
  sigset_t ninguna;
  sigemptyset(&ninguna);
  ::sigprocmask(SIG_SETMASK, &ninguna, nullptr);
  // Ignored signals would stay ignored across exec (a script without SIGPIPE misbehaves).
  struct sigaction defecto {};
  defecto.sa_handler = SIG_DFL;
  for (int s = 1; s < NSIG; ++s) ::sigaction(s, &defecto, nullptr);
  int nulo = ::open("/dev/null", O_RDWR);
  if (nulo >= 0) {
    ::dup2(nulo, STDIN_FILENO);
    ::dup2(nulo, STDOUT_FILENO);
    ::dup2(nulo, STDERR_FILENO);
    if (nulo > STDERR_FILENO) ::close(nulo);
  }
  if (::chdir("/") != 0) {
    // Starting from our own folder is still better than not starting.
  }
  // Our sockets and files close on exec; so does the pipe, which tells the parent it worked.
  ::syscall(SYS_close_range, 3u, ~0u, CLOSE_RANGE_CLOEXEC);
  ::execve(ruta, argv, envp);
  avisar(aviso, errno);
  ::_exit(127);
}

}  // namespace

int lanzarDesligado(const std::filesystem::path& ejecutable,
                    const std::vector<std::string>& argumentos,
                    const std::vector<std::string>& entorno) {
  // Built before the fork: the child may not allocate.
  std::string ruta = ejecutable.string();
  std::vector<std::string> copia(argumentos);
  std::vector<char*> argv{ruta.data()};
  for (auto& a : copia) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> extra(entorno);
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e) {
    std::string_view v(*e);
    bool cambia = false;
    for (const auto& x : extra)
      cambia = cambia || (x.find('=') != std::string::npos &&
                          v.starts_with(std::string_view(x).substr(0, x.find('=') + 1)));
    if (!cambia) envp.push_back(*e);
  }
  for (auto& x : extra) envp.push_back(x.data());
  envp.push_back(nullptr);
  int tubo[2];
  if (::pipe2(tubo, O_CLOEXEC) != 0) return errno;
  pid_t intermedio = ::fork();
  if (intermedio < 0) {
    int e = errno;
    ::close(tubo[0]);
    ::close(tubo[1]);
    return e;
  }
  if (intermedio == 0) {
    ::close(tubo[0]);
    pid_t nieto = ::fork();
    if (nieto == 0) arrancar(ruta.c_str(), argv.data(), envp.data(), tubo[1]);
    if (nieto < 0) avisar(tubo[1], errno);
    ::_exit(0);
  }
  ::close(tubo[1]);
  while (::waitpid(intermedio, nullptr, 0) < 0 && errno == EINTR) {
  }
  // Data means exec failed; end of file means every copy of the pipe closed, the
  // grandchild's on a successful exec.
  int codigo = 0;
  ssize_t n;
  while ((n = ::read(tubo[0], &codigo, sizeof codigo)) < 0 && errno == EINTR) {
  }
  ::close(tubo[0]);
  return n == static_cast<ssize_t>(sizeof codigo) ? codigo : 0;
}

}  // namespace orvo
