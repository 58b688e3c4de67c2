#include "apoyo/bucle_manual.h"

#include <algorithm>
#include <chrono>

namespace orvo {

class BucleManual::TemporizadorManual : public Temporizador {
 public:
  TemporizadorManual(BucleManual* bucle, double vence, double periodo, uint64_t orden, Tarea t)
      : bucle_(bucle), vence_(vence), periodo_(periodo), orden_(orden), tarea_(std::move(t)) {}

  void detener() override {
    if (!activo_.exchange(false)) return;
    if (bucle_ != nullptr) bucle_->quitar(this);
  }
  bool activo() const override { return activo_.load(); }

  bool antesQue(const TemporizadorManual& o) const {
    return vence_ < o.vence_ || (vence_ == o.vence_ && orden_ < o.orden_);
  }

  BucleManual* bucle_;
  double vence_;
  const double periodo_;  // 0 for one-shot timers
  uint64_t orden_;
  std::atomic<bool> activo_{true};
  const Tarea tarea_;
};

BucleManual::~BucleManual() {
  std::vector<std::thread> hilos;
  {
    std::lock_guard<std::mutex> l(mutex_);
    hilos.swap(hilos_);
  }
  for (auto& h : hilos) h.join();
  for (auto& t : temporizadores_) {
    t->activo_ = false;
    t->bucle_ = nullptr;
  }
}

void BucleManual::enPrincipal(Tarea tarea) {
  {
    std::lock_guard<std::mutex> l(mutex_);
    tareas_.push_back(std::move(tarea));
  }
  hay_tareas_.notify_all();
}

void BucleManual::enSegundoPlano(Tarea tarea) {
  std::lock_guard<std::mutex> l(mutex_);
  hilos_.emplace_back(std::move(tarea));
}

std::shared_ptr<Temporizador> BucleManual::despues(double segundos, Tarea tarea) {
  return programar(segundos, 0, std::move(tarea));
}

std::shared_ptr<Temporizador> BucleManual::cada(double segundos, Tarea tarea) {
  // A zero period would spin avanzar() forever.
  return programar(segundos, std::max(segundos, 1e-3), std::move(tarea));
}

std::shared_ptr<Temporizador> BucleManual::programar(double segundos, double periodo, Tarea tarea) {
  auto t = std::make_shared<TemporizadorManual>(this, ahora() + std::max(segundos, 0.0), periodo,
                                                secuencia_++, std::move(tarea));
  insertar(t);
  return t;
}

void BucleManual::insertar(const std::shared_ptr<TemporizadorManual>& t) {
  auto pos = std::find_if(temporizadores_.begin(), temporizadores_.end(),
                          [&](const auto& o) { return t->antesQue(*o); });
  temporizadores_.insert(pos, t);
}

void BucleManual::quitar(const TemporizadorManual* t) {
  temporizadores_.remove_if([t](const auto& o) { return o.get() == t; });
}

void BucleManual::avanzar(double segundos) {
  // Repeated additions of a period drift; a hair of slack keeps 5 x 0.2 s within 1 s.
  const double objetivo = ahora() + segundos;
  const double holgura = 1e-9;
  procesar();
  while (!temporizadores_.empty() && temporizadores_.front()->vence_ <= objetivo + holgura) {
    std::shared_ptr<TemporizadorManual> t = temporizadores_.front();
    temporizadores_.pop_front();
    ahora_ = std::max(ahora(), t->vence_);
    if (t->periodo_ > 0) {
      // Re-armed before the task runs so detener() inside it finds and removes it.
      t->vence_ += t->periodo_;
      t->orden_ = secuencia_++;
      insertar(t);
    } else {
      t->activo_ = false;
    }
    t->tarea_();
    procesar();
  }
  ahora_ = std::max(ahora(), objetivo);
  procesar();
}

void BucleManual::procesar() {
  for (;;) {
    Tarea tarea;
    {
      std::lock_guard<std::mutex> l(mutex_);
      if (tareas_.empty()) return;
      tarea = std::move(tareas_.front());
      tareas_.pop_front();
    }
    tarea();
  }
}

bool BucleManual::esperarHasta(const std::function<bool()>& condicion, double segundosReales) {
  using Reloj = std::chrono::steady_clock;
  const auto limite = Reloj::now() + std::chrono::duration_cast<Reloj::duration>(
                                         std::chrono::duration<double>(segundosReales));
  for (;;) {
    procesar();
    if (condicion()) return true;
    if (Reloj::now() >= limite) return false;
    // Wake on a posted task, or every few ms for conditions that change without one.
    std::unique_lock<std::mutex> l(mutex_);
    hay_tareas_.wait_for(l, std::chrono::milliseconds(5), [this] { return !tareas_.empty(); });
  }
}

}  // namespace orvo
