#include "plataforma/linux/permisos_linux.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>

#include "plataforma/linux/lanzar.h"

extern char** environ;

namespace orvo {

namespace {

// posix_spawnp and wait; the exit status, or -errno when the program could not start.
int correr(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (int e = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ)) return -e;
  int estado = 0;
  while (waitpid(pid, &estado, 0) < 0)
    if (errno != EINTR) return -errno;
  if (WIFEXITED(estado)) return WEXITSTATUS(estado);
  return 128 + (WIFSIGNALED(estado) ? WTERMSIG(estado) : 0);
}

}  // namespace

Error PermisosLinux::comoAdministrador(const std::string& orden) {
  int estado = correr({pkexec_, "/bin/sh", "-c", orden});
  if (estado == 0) return std::nullopt;
  if (estado < 0)
    return "No se pudo pedir permiso de administrador: falta " + pkexec_ + " (" +
           std::strerror(-estado) + ").";
  // pkexec's own statuses: 126 the user dismissed the prompt, 127 no agent or not allowed.
  if (estado == 126) return "No se concedió permiso de administrador.";
  if (estado == 127)
    return "No se pudo pedir permiso de administrador: no hay un agente de polkit que "
           "pregunte la contraseña.";
  return "La orden como administrador terminó con el código " + std::to_string(estado) + ".";
}

void PermisosLinux::abrirAjustesSeguridad() {
  // The desktop's own settings when there is one; nothing to do without a desktop.
  for (const char* programa : {"gnome-control-center", "systemsettings", "xdg-open"}) {
    std::string ruta = std::string("/usr/bin/") + programa;
    if (access(ruta.c_str(), X_OK) != 0) continue;
    lanzarDesligado(ruta);
    return;
  }
}

}  // namespace orvo
