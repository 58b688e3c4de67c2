// The main loop as the managers see it: hops to the main thread, a worker pool,
// timers and a monotonic clock. Real: GLib. Tests: a manual loop with a virtual clock.
#pragma once

#include <functional>
#include <memory>

namespace orvo {

class Temporizador {
 public:
  virtual ~Temporizador() = default;
  // Idempotent; after it returns the callback never runs again.
  virtual void detener() = 0;
  virtual bool activo() const = 0;
};

class Bucle {
 public:
  using Tarea = std::function<void()>;
  virtual ~Bucle() = default;

  // Runs `tarea` on the main thread, later, in order of posting. Safe from any thread.
  virtual void enPrincipal(Tarea tarea) = 0;
  // Runs `tarea` on a worker thread. Safe from any thread.
  virtual void enSegundoPlano(Tarea tarea) = 0;
  // One-shot timer on the main thread. Main thread only.
  virtual std::shared_ptr<Temporizador> despues(double segundos, Tarea tarea) = 0;
  // Repeating timer on the main thread, first tick after `segundos`. Main thread only.
  virtual std::shared_ptr<Temporizador> cada(double segundos, Tarea tarea) = 0;
  // Monotonic seconds; only differences mean anything.
  virtual double ahora() const = 0;
  virtual bool enHiloPrincipal() const = 0;
};

}  // namespace orvo
