// The real loop: GLib's default main context for the main thread and timers, plus a small
// fixed pool of worker threads for blocking work.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "plataforma/bucle.h"

typedef struct _GMainLoop GMainLoop;

namespace orvo {

class BucleGlib : public Bucle {
 public:
  // The creating thread becomes the main thread.
  explicit BucleGlib(int trabajadores = 3);
  // Joins the workers after they finish what is queued. Timers still running are stopped
  // and tasks posted but not yet run are dropped, so nothing outlives this object.
  ~BucleGlib() override;
  BucleGlib(const BucleGlib&) = delete;
  BucleGlib& operator=(const BucleGlib&) = delete;

  void enPrincipal(Tarea tarea) override;
  void enSegundoPlano(Tarea tarea) override;
  // The loop keeps a timer alive until it fires (one-shot) or is stopped; dropping the
  // handle does not cancel it.
  std::shared_ptr<orvo::Temporizador> despues(double segundos, Tarea tarea) override;
  std::shared_ptr<orvo::Temporizador> cada(double segundos, Tarea tarea) override;
  double ahora() const override;
  bool enHiloPrincipal() const override;

  // Runs the main loop until salir(). Main thread only.
  void correr();
  // Safe from any thread; makes a running correr() return.
  void salir();

 private:
  class TemporizadorGlib;
  std::shared_ptr<TemporizadorGlib> programar(double segundos, bool repetir, Tarea tarea);
  void trabajar();

  std::thread::id principal_;
  GMainLoop* bucle_;
  // Shared with the idle source that drains it, which may outlive this object; once this
  // object is gone the queue is dead and leftovers never run.
  struct ColaPrincipal;
  std::shared_ptr<ColaPrincipal> cola_principal_;

  std::mutex mutex_;
  std::condition_variable hay_trabajo_;
  std::deque<Tarea> cola_;
  bool parar_ = false;
  std::vector<std::thread> hilos_;

  std::mutex mutex_temporizadores_;
  std::vector<std::weak_ptr<TemporizadorGlib>> temporizadores_;
};

}  // namespace orvo
