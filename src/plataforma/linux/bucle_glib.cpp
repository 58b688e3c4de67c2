#include "plataforma/linux/bucle_glib.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <glib.h>

namespace orvo {

class BucleGlib::TemporizadorGlib : public Temporizador,
                                    public std::enable_shared_from_this<TemporizadorGlib> {
 public:
  TemporizadorGlib(bool repetir, Tarea tarea) : repetir_(repetir), tarea_(std::move(tarea)) {}

  void arrancar(guint ms) {
    // The source owns a reference; the destroy notify drops it when GLib frees the source.
    auto* propio = new std::shared_ptr<TemporizadorGlib>(shared_from_this());
    guint id = g_timeout_add_full(
        G_PRIORITY_DEFAULT, ms, &TemporizadorGlib::disparar, propio,
        [](gpointer p) { delete static_cast<std::shared_ptr<TemporizadorGlib>*>(p); });
    std::lock_guard<std::mutex> l(mutex_);
    id_ = id;
  }

  void detener() override {
    guint id;
    {
      std::lock_guard<std::mutex> l(mutex_);
      activo_ = false;
      id = std::exchange(id_, 0u);
    }
    // Inside our own callback GLib defers freeing the source until dispatch returns.
    if (id != 0) g_source_remove(id);
  }

  bool activo() const override {
    std::lock_guard<std::mutex> l(mutex_);
    return activo_;
  }

 private:
  static gboolean disparar(gpointer datos) {
    std::shared_ptr<TemporizadorGlib> t = *static_cast<std::shared_ptr<TemporizadorGlib>*>(datos);
    {
      std::lock_guard<std::mutex> l(t->mutex_);
      if (!t->activo_) return G_SOURCE_REMOVE;
      if (!t->repetir_) {
        // Inactive before the task runs, so detener() from inside it is a no-op.
        t->activo_ = false;
        t->id_ = 0;
      }
    }
    t->tarea_();
    std::lock_guard<std::mutex> l(t->mutex_);
    if (!t->activo_) {
      // Stopped from inside the task: detener() already removed the source.
      return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
  }

  mutable std::mutex mutex_;
  bool activo_ = true;
  guint id_ = 0;
  const bool repetir_;
  const Tarea tarea_;
};

// Posted tasks wait in our own locked queue and one idle source drains it: order holds by
// construction, and the hand-off between threads is a mutex every tool can see.
struct BucleGlib::ColaPrincipal {
  std::mutex mutex;
  std::deque<Tarea> tareas;
  bool programada = false;
  bool viva = true;
  // Keeps this queue alive while any idle source still points at it; GLib carries only the
  // raw pointer, so every read of our state goes through the mutex.
  int fuentes = 0;
  std::shared_ptr<ColaPrincipal> mantener;

  static gboolean vaciar(gpointer datos) {
    auto& cola = *static_cast<ColaPrincipal*>(datos);
    std::deque<Tarea> tareas;
    {
      std::lock_guard<std::mutex> l(cola.mutex);
      tareas.swap(cola.tareas);
      cola.programada = false;
    }
    for (auto& t : tareas) {
      {
        std::lock_guard<std::mutex> l(cola.mutex);
        if (!cola.viva) break;
      }
      t();
    }
    return G_SOURCE_REMOVE;
  }
};

BucleGlib::BucleGlib(int trabajadores)
    : principal_(std::this_thread::get_id()),
      bucle_(g_main_loop_new(nullptr, FALSE)),
      cola_principal_(std::make_shared<ColaPrincipal>()) {
  trabajadores = std::max(1, trabajadores);
  for (int i = 0; i < trabajadores; ++i) hilos_.emplace_back([this] { trabajar(); });
}

BucleGlib::~BucleGlib() {
  {
    std::lock_guard<std::mutex> l(mutex_);
    parar_ = true;
  }
  hay_trabajo_.notify_all();
  for (auto& h : hilos_) h.join();
  std::vector<std::weak_ptr<TemporizadorGlib>> temporizadores;
  {
    std::lock_guard<std::mutex> l(mutex_temporizadores_);
    temporizadores.swap(temporizadores_);
  }
  for (auto& w : temporizadores) {
    if (auto t = w.lock()) t->detener();
  }
  {
    std::lock_guard<std::mutex> l(cola_principal_->mutex);
    cola_principal_->viva = false;
    cola_principal_->tareas.clear();
  }
  g_main_loop_unref(bucle_);
}

void BucleGlib::enPrincipal(Tarea tarea) {
  std::lock_guard<std::mutex> l(cola_principal_->mutex);
  if (!cola_principal_->viva) return;
  cola_principal_->tareas.push_back(std::move(tarea));
  if (cola_principal_->programada) return;
  cola_principal_->programada = true;
  GSource* fuente = g_idle_source_new();
  g_source_set_priority(fuente, G_PRIORITY_DEFAULT);
  ++cola_principal_->fuentes;
  cola_principal_->mantener = cola_principal_;
  g_source_set_callback(fuente, &ColaPrincipal::vaciar, cola_principal_.get(), [](gpointer datos) {
    auto* cola = static_cast<ColaPrincipal*>(datos);
    // Declared before the lock so the last reference drops after the mutex is released.
    std::shared_ptr<ColaPrincipal> soltar;
    std::lock_guard<std::mutex> l(cola->mutex);
    if (--cola->fuentes == 0) soltar = std::move(cola->mantener);
  });
  g_source_attach(fuente, nullptr);
  g_source_unref(fuente);
}

void BucleGlib::enSegundoPlano(Tarea tarea) {
  {
    std::lock_guard<std::mutex> l(mutex_);
    cola_.push_back(std::move(tarea));
  }
  hay_trabajo_.notify_one();
}

void BucleGlib::trabajar() {
  for (;;) {
    Tarea tarea;
    {
      std::unique_lock<std::mutex> l(mutex_);
      hay_trabajo_.wait(l, [this] { return parar_ || !cola_.empty(); });
      // Drain the queue before stopping: callers rely on queued work finishing.
      if (cola_.empty()) return;
      tarea = std::move(cola_.front());
      cola_.pop_front();
    }
    tarea();
  }
}

std::shared_ptr<Temporizador> BucleGlib::despues(double segundos, Tarea tarea) {
  return programar(segundos, false, std::move(tarea));
}

std::shared_ptr<Temporizador> BucleGlib::cada(double segundos, Tarea tarea) {
  return programar(segundos, true, std::move(tarea));
}

std::shared_ptr<BucleGlib::TemporizadorGlib> BucleGlib::programar(double segundos, bool repetir,
                                                                  Tarea tarea) {
  double ms = std::clamp(std::round(segundos * 1000.0), 0.0, double(G_MAXUINT));
  auto t = std::make_shared<TemporizadorGlib>(repetir, std::move(tarea));
  t->arrancar(static_cast<guint>(ms));
  std::lock_guard<std::mutex> l(mutex_temporizadores_);
  std::erase_if(temporizadores_, [](const auto& w) { return w.expired(); });
  temporizadores_.push_back(t);
  return t;
}

double BucleGlib::ahora() const { return double(g_get_monotonic_time()) / 1e6; }

bool BucleGlib::enHiloPrincipal() const { return std::this_thread::get_id() == principal_; }

void BucleGlib::correr() { g_main_loop_run(bucle_); }

void BucleGlib::salir() { g_main_loop_quit(bucle_); }

}  // namespace orvo
