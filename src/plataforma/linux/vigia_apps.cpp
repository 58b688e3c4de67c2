#include "plataforma/linux/vigia_apps.h"

#include <glib-unix.h>
#include <glib.h>
#include <sys/inotify.h>
#include <unistd.h>

#include "plataforma/linux/pidfd.h"

namespace orvo {

namespace {

// The exec has opened the file but may not have replaced the process image yet: look a
// moment later, and once more in case the machine was slow.
constexpr double kTrasAbrir = 0.1;
constexpr double kOtraVez = 1.0;

constexpr uint32_t kEnCarpeta =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;
// Opened (an exec, or a read), or the file went away: its bundle was replaced.
constexpr uint32_t kEnEjecutable = IN_OPEN | IN_DELETE_SELF | IN_MOVE_SELF | IN_ATTRIB;

}  // namespace

struct VigiaApps::Aviso {
  VigiaApps* vigia;
  pid_t pid;
  int fd;
};

VigiaApps::VigiaApps(Bucle& bucle, double cadaSegundos, Foto foto, std::function<void()> alCambiar,
                     std::function<Instalados()> instalados)
    : bucle_(bucle),
      foto_(std::move(foto)),
      alCambiar_(std::move(alCambiar)),
      instalados_(std::move(instalados)) {
  vigilarInstalados();
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
  for (auto* t : {&pronto_, &luego_})
    if (*t) (*t)->detener();
  for (const auto& [pid, fuente] : fuentes_) g_source_remove(fuente);
  if (fuenteInotify_) g_source_remove(fuenteInotify_);
  if (inotify_ >= 0) ::close(inotify_);
}

void VigiaApps::vigilarInstalados() {
  if (!instalados_) return;
  // A fresh descriptor drops every old watch at once; the bundles may all have changed.
  if (fuenteInotify_) g_source_remove(std::exchange(fuenteInotify_, 0));
  if (inotify_ >= 0) ::close(inotify_);
  carpetas_.clear();
  inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  // Without inotify (no watches left) the periodic scan still notices every start.
  if (inotify_ < 0) return;
  auto rutas = instalados_();
  for (const auto& c : rutas.carpetas)
    if (int w = inotify_add_watch(inotify_, c.c_str(), kEnCarpeta | IN_ONLYDIR); w >= 0)
      carpetas_.insert(w);
  for (const auto& e : rutas.ejecutables) inotify_add_watch(inotify_, e.c_str(), kEnEjecutable);
  fuenteInotify_ = g_unix_fd_add(
      inotify_, G_IO_IN,
      [](gint, GIOCondition, gpointer yo) -> gboolean {
        static_cast<VigiaApps*>(yo)->leerEventos();
        return G_SOURCE_CONTINUE;
      },
      this);
}

void VigiaApps::leerEventos() {
  alignas(inotify_event) char buf[4096];
  bool abierto = false, cambiado = false;
  for (ssize_t n; (n = ::read(inotify_, buf, sizeof buf)) > 0;) {
    for (char* p = buf; p < buf + n;) {
      auto* e = reinterpret_cast<inotify_event*>(p);
      if (carpetas_.contains(e->wd) || (e->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_ATTRIB)))
        cambiado = true;
      else if (e->mask & IN_OPEN)
        abierto = true;
      p += sizeof(inotify_event) + e->len;
    }
  }
  if (abierto || cambiado) revisarPronto(cambiado);
}

void VigiaApps::revisarPronto(bool tambienInstalados) {
  rehacer_ = rehacer_ || tambienInstalados;
  // A burst of events (the loader reading the file, a swap moving many) makes one look.
  if (pronto_) return;
  auto mirar = [this] {
    if (std::exchange(rehacer_, false)) vigilarInstalados();
    revisar();
  };
  pronto_ = bucle_.despues(kTrasAbrir, [this, mirar] {
    pronto_.reset();
    mirar();
  });
  if (luego_) luego_->detener();
  luego_ = bucle_.despues(kOtraVez, [this, mirar] {
    luego_.reset();
    mirar();
  });
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
