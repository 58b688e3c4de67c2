#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "apoyo/bucle_manual.h"
#include "plataforma/linux/bucle_glib.h"

namespace orvo {
namespace {

// Runs the real loop until the test calls salir(), failing instead of hanging.
void correrConGuarda(BucleGlib& b, double segundos = 5) {
  bool agotado = false;
  auto guarda = b.despues(segundos, [&] {
    agotado = true;
    b.salir();
  });
  b.correr();
  guarda->detener();
  EXPECT_FALSE(agotado) << "the loop never finished";
}

TEST(BucleGlib, TareasDeOtroHiloCorrenEnElPrincipalEnOrden) {
  BucleGlib b;
  std::vector<int> orden;
  bool siemprePrincipal = true;
  std::thread otro([&] {
    for (int i = 0; i < 200; ++i) {
      b.enPrincipal([&, i] {
        siemprePrincipal = siemprePrincipal && b.enHiloPrincipal();
        orden.push_back(i);
      });
    }
    b.enPrincipal([&] { b.salir(); });
  });
  correrConGuarda(b);
  otro.join();
  ASSERT_EQ(orden.size(), 200u);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(orden[i], i);
  EXPECT_TRUE(siemprePrincipal);
}

TEST(BucleGlib, TemporizadoresUnicosRepetidosYDetenidos) {
  BucleGlib b;
  int unico = 0, repetido = 0, detenido = 0;
  auto t1 = b.despues(0.01, [&] { ++unico; });
  std::shared_ptr<Temporizador> t2;
  t2 = b.cada(0.01, [&] {
    if (++repetido == 3) t2->detener();
  });
  auto t3 = b.despues(0.02, [&] { ++detenido; });
  auto t4 = b.cada(0.01, [&] { ++detenido; });
  t3->detener();
  t3->detener();
  t4->detener();
  EXPECT_FALSE(t3->activo());
  double inicio = b.ahora();
  b.despues(0.2, [&] { b.salir(); });
  correrConGuarda(b);
  EXPECT_GE(b.ahora() - inicio, 0.15);
  EXPECT_EQ(unico, 1);
  EXPECT_FALSE(t1->activo());
  EXPECT_EQ(repetido, 3);
  EXPECT_FALSE(t2->activo());
  t2->detener();  // stopping again after the source is gone is harmless
  EXPECT_EQ(detenido, 0);
}

TEST(BucleGlib, TrabajoEnSegundoPlanoVuelveAlPrincipal) {
  BucleGlib b;
  std::atomic<bool> fueraDelPrincipal{false};
  int resultado = 0;
  bool vueltaEnPrincipal = false;
  b.enSegundoPlano([&] {
    fueraDelPrincipal = !b.enHiloPrincipal();
    int calculado = 6 * 7;
    b.enPrincipal([&, calculado] {
      resultado = calculado;
      vueltaEnPrincipal = b.enHiloPrincipal();
      b.salir();
    });
  });
  correrConGuarda(b);
  EXPECT_TRUE(fueraDelPrincipal);
  EXPECT_TRUE(vueltaEnPrincipal);
  EXPECT_EQ(resultado, 42);
}

TEST(BucleGlib, LoQueDejaUnBucleDestruidoNoCorreEnElSiguiente) {
  bool corrio = false;
  std::shared_ptr<Temporizador> huerfano;
  {
    BucleGlib viejo;
    huerfano = viejo.cada(0.01, [&] { corrio = true; });
    viejo.enPrincipal([&] { corrio = true; });
  }
  EXPECT_FALSE(huerfano->activo());
  BucleGlib nuevo;
  nuevo.despues(0.1, [&] { nuevo.salir(); });
  correrConGuarda(nuevo);
  EXPECT_FALSE(corrio);
}

TEST(BucleManual, UnUnicoDisparaAlVencerYNoAntes) {
  BucleManual b;
  int disparos = 0;
  auto t = b.despues(25, [&] { ++disparos; });
  b.avanzar(24.9);
  EXPECT_EQ(disparos, 0);
  EXPECT_TRUE(t->activo());
  b.avanzar(0.1);
  EXPECT_EQ(disparos, 1);
  EXPECT_FALSE(t->activo());
  b.avanzar(100);
  EXPECT_EQ(disparos, 1);
  EXPECT_EQ(b.temporizadoresActivos(), 0u);

  BucleManual otro;
  int enUnPaso = 0;
  otro.despues(25, [&] { ++enUnPaso; });
  otro.avanzar(25);
  EXPECT_EQ(enUnPaso, 1);
}

TEST(BucleManual, UnRepetidoDisparaUnaVezPorPeriodo) {
  BucleManual b;
  int disparos = 0;
  auto t = b.cada(2, [&] { ++disparos; });
  b.avanzar(10);
  EXPECT_EQ(disparos, 5);
  for (int i = 0; i < 10; ++i) b.avanzar(0.2);  // sub-period steps must not lose a tick
  EXPECT_EQ(disparos, 6);
  EXPECT_TRUE(t->activo());
  EXPECT_EQ(b.temporizadoresActivos(), 1u);
}

TEST(BucleManual, DisparaEnOrdenConElRelojEnElVencimiento) {
  BucleManual b;
  const double t0 = b.ahora();
  std::vector<std::pair<char, double>> visto;
  auto anotar = [&](char c) { visto.emplace_back(c, b.ahora() - t0); };
  b.despues(3, [&] { anotar('a'); });
  b.despues(1, [&] {
    anotar('b');
    // Relative to the callback's own time, not to where avanzar() will end.
    b.despues(0.5, [&] { anotar('d'); });
    b.enPrincipal([&] { anotar('p'); });
  });
  auto c = b.cada(2, [&] { anotar('c'); });
  b.avanzar(4);
  std::vector<std::pair<char, double>> esperado = {{'b', 1}, {'p', 1}, {'d', 1.5},
                                                   {'c', 2}, {'a', 3}, {'c', 4}};
  EXPECT_EQ(visto, esperado);
  EXPECT_DOUBLE_EQ(b.ahora() - t0, 4);
}

TEST(BucleManual, DetenerDesdeDentroDeUnCallback) {
  BucleManual b;
  int ticks = 0, otro = 0;
  std::shared_ptr<Temporizador> repetido;
  repetido = b.cada(1, [&] {
    if (++ticks == 3) repetido->detener();
  });
  // Due later in the same avanzar(): stopping it from an earlier callback must stick.
  auto tarde = b.despues(5, [&] { ++otro; });
  b.despues(4, [&] { tarde->detener(); });
  b.avanzar(10);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(otro, 0);
  EXPECT_FALSE(repetido->activo());
  EXPECT_EQ(b.temporizadoresActivos(), 0u);
}

TEST(BucleManual, HilosRealesYEspera) {
  BucleManual b;
  std::atomic<bool> fuera{false};
  bool hecho = false;
  b.enSegundoPlano([&] {
    fuera = !b.enHiloPrincipal();
    b.enPrincipal([&] { hecho = b.enHiloPrincipal(); });
  });
  EXPECT_TRUE(b.esperarHasta([&] { return hecho; }));
  EXPECT_TRUE(fuera);
  EXPECT_FALSE(b.esperarHasta([] { return false; }, 0.05));

  BucleManual enLinea(true);
  bool mismoHilo = false;
  enLinea.enSegundoPlano([&] { mismoHilo = enLinea.enHiloPrincipal(); });
  EXPECT_TRUE(mismoHilo);
}

TEST(BucleManual, DetenerTrasDestruirElBucleEsInocuo) {
  std::shared_ptr<Temporizador> t;
  {
    BucleManual b;
    t = b.cada(1, [] {});
  }
  EXPECT_FALSE(t->activo());
  t->detener();
}

}  // namespace
}  // namespace orvo
