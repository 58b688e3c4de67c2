#include "plataforma/linux/vigia_apps.h"

#include <glib-unix.h>
#include <glib.h>
#include <unistd.h>

#include "plataforma/linux/pidfd.h"

namespace orvo {

struct VigiaApps::Aviso {
  VigiaApps* vigia;
  pid_t pid;
  int fd;
};

VigiaApps::VigiaApps(Bucle& bucle, double cadaSegundos, Foto foto, std::function<void()> alCambiar)
    : bucle_(bucle), foto_(std::move(foto)), alCambiar_(std::move(alCambiar)) {
  for (const auto& a : foto_()) {
    conocidas_.emplace(a.pid, a.inicio);
    vigilar(a.pid);
  }
  cada(cadaSegundos);
}

void VigiaApps::cada(double segundos) {
  if (temporizador_) temporizador_->detener();
  temporizador_ = bucle_.cada(segundos, [this] { revisar(); });
}

VigiaApps::~VigiaApps() {
  temporizador_->detener();
  for (const auto& [pid, fuente] : fuentes_) g_source_remove(fuente);
}

void VigiaApps::revisar() {
  std::set<std::pair<pid_t, unsigned long long>> ahora;
  for (const auto& a : foto_()) ahora.emplace(a.pid, a.inicio);
  if (ahora == conocidas_) return;
  std::set<pid_t> pids;
  for (const auto& [pid, inicio] : ahora) {
    pids.insert(pid);
    if (!fuentes_.contains(pid)) vigilar(pid);
  }
  for (auto f = fuentes_.begin(); f != fuentes_.end();) {
    if (pids.contains(f->first)) {
      ++f;
    } else {
      g_source_remove(f->second);
      f = fuentes_.erase(f);
    }
  }
  conocidas_ = std::move(ahora);
  // Last: the observer may do anything, even replace this watcher.
  alCambiar_();
}

void VigiaApps::vigilar(pid_t pid) {
  int fd = abrirPidfd(pid);
  // Without a pidfd (old kernel, already gone) the next scan still notices the end.
  if (fd < 0) return;
  auto* aviso = new Aviso{this, pid, fd};
  fuentes_[pid] = g_unix_fd_add_full(
      G_PRIORITY_DEFAULT, fd, G_IO_IN,
      [](gint, GIOCondition, gpointer datos) -> gboolean {
        auto* a = static_cast<Aviso*>(datos);
        a->vigia->terminado(a->pid);
        return G_SOURCE_REMOVE;
      },
      aviso,
      [](gpointer datos) {
        auto* a = static_cast<Aviso*>(datos);
        ::close(a->fd);
        delete a;
      });
}

void VigiaApps::terminado(pid_t pid) {
  // The source goes away when the callback returns; forget it first.
  fuentes_.erase(pid);
  revisar();
}

}  // namespace orvo
