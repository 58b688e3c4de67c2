// A loop for tests: the clock only moves when the test says so, so a 25 s watchdog or a
// 2 min retry is checked in microseconds. Background work can still run on real threads.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "plataforma/bucle.h"

namespace orvo {

class BucleManual : public Bucle {
 public:
  BucleManual() : principal_(std::this_thread::get_id()) {}
  // Waits for the background threads; timers still pending become inactive.
  ~BucleManual() override;
  BucleManual(const BucleManual&) = delete;
  BucleManual& operator=(const BucleManual&) = delete;

  void enPrincipal(Tarea tarea) override;
  void enSegundoPlano(Tarea tarea) override;
  std::shared_ptr<Temporizador> despues(double segundos, Tarea tarea) override;
  std::shared_ptr<Temporizador> cada(double segundos, Tarea tarea) override;
  double ahora() const override { return ahora_.load(); }
  bool enHiloPrincipal() const override { return std::this_thread::get_id() == principal_; }

  // Moves the clock forward, firing due timers in due order with the clock set to each
  // one's due time, and running posted tasks after each.
  void avanzar(double segundos);
  // Runs posted tasks, including those they post, until none is left.
  void procesar();
  // Runs posted tasks until `condicion` holds or `segundosReales` of wall time pass.
  bool esperarHasta(const std::function<bool()>& condicion, double segundosReales = 10);
  size_t temporizadoresActivos() const { return temporizadores_.size(); }

 private:
  class TemporizadorManual;
  std::shared_ptr<Temporizador> programar(double segundos, double periodo, Tarea tarea);
  void insertar(const std::shared_ptr<TemporizadorManual>& t);
  void quitar(const TemporizadorManual* t);

  const std::thread::id principal_;
  std::atomic<double> ahora_{1000.0};

  std::mutex mutex_;
  std::condition_variable hay_tareas_;
  std::deque<Tarea> tareas_;
  std::vector<std::thread> hilos_;

  // Main thread only, ordered by due time then by creation.
  std::list<std::shared_ptr<TemporizadorManual>> temporizadores_;
  uint64_t secuencia_ = 0;
};

}  // namespace orvo
