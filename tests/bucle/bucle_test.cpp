#include <atomic>
#include <memory>
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

TEST(BucleGlib, SegundoPlanoEnOrdenTemporizadoresYNadaDeUnBucleDestruido) {
  bool corrio = false;
  std::shared_ptr<Temporizador> huerfano;
  {
    BucleGlib viejo;
    huerfano = viejo.cada(0.01, [&] { corrio = true; });
    viejo.enPrincipal([&] { corrio = true; });
  }
  EXPECT_FALSE(huerfano->activo());

  // What the destroyed loop left must not run in this one.
  BucleGlib b;
  int llegadas = 0;
  std::atomic<bool> fueraDelPrincipal{false};
  bool enOrdenEnElPrincipal = true;
  b.enSegundoPlano([&] {
    fueraDelPrincipal = !b.enHiloPrincipal();
    for (int i = 0; i < 200; ++i)
      b.enPrincipal([&, i] { enOrdenEnElPrincipal &= b.enHiloPrincipal() && llegadas++ == i; });
  });
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
  EXPECT_EQ(llegadas, 200);
  EXPECT_TRUE(enOrdenEnElPrincipal);
  EXPECT_TRUE(fueraDelPrincipal);
  EXPECT_EQ(unico, 1);
  EXPECT_FALSE(t1->activo());
  EXPECT_EQ(repetido, 3);
  EXPECT_FALSE(t2->activo());
  t2->detener();  // stopping again after the source is gone is harmless
  EXPECT_EQ(detenido, 0);
  EXPECT_FALSE(corrio);
}

// The manual loop is what most tests stand on: its virtual clock must fire like a real one,
// and its waits must say when the condition never came.
TEST(BucleManual, DisparaEnOrdenConElRelojEnElVencimientoYEsperaHilosReales) {
  std::shared_ptr<Temporizador> c;
  {
    BucleManual b;
    const double t0 = b.ahora();
    std::vector<std::pair<char, double>> visto;
    auto anotar = [&](char c) { visto.emplace_back(c, b.ahora() - t0); };
    auto a = b.despues(3, [&] { anotar('a'); });
    b.despues(1, [&] {
      anotar('b');
      // Relative to the callback's own time, not to where avanzar() will end.
      b.despues(0.5, [&] { anotar('d'); });
      b.enPrincipal([&] { anotar('p'); });
    });
    c = b.cada(2, [&] {
      anotar('c');
      if (visto.size() == 8) c->detener();
    });
    // Due later in the same avanzar(): stopping it from an earlier callback must stick.
    auto tarde = b.despues(5, [&] { anotar('x'); });
    b.despues(4.5, [&] { tarde->detener(); });
    b.avanzar(2.9);
    EXPECT_TRUE(a->activo());
    b.avanzar(0.1);
    EXPECT_FALSE(a->activo());
    b.avanzar(0.9);
    // Sub-period steps must not lose a tick.
    for (int i = 0; i < 10; ++i) b.avanzar(0.2);
    b.avanzar(10);
    std::vector<std::pair<char, double>> esperado = {{'b', 1}, {'p', 1}, {'d', 1.5}, {'c', 2},
                                                     {'a', 3}, {'c', 4}, {'c', 6},   {'c', 8}};
    EXPECT_EQ(visto, esperado);
    EXPECT_NEAR(b.ahora() - t0, 15.9, 1e-9);
    EXPECT_FALSE(c->activo());
    EXPECT_EQ(b.temporizadoresActivos(), 0u);

    std::atomic<bool> fuera{false};
    bool hecho = false;
    b.enSegundoPlano([&] {
      fuera = !b.enHiloPrincipal();
      b.enPrincipal([&] { hecho = b.enHiloPrincipal(); });
    });
    EXPECT_TRUE(b.esperarHasta([&] { return hecho; }));
    EXPECT_TRUE(fuera);
    EXPECT_FALSE(b.esperarHasta([] { return false; }, 0.05));
    c = b.cada(1, [] {});
  }
  // Stopping after the loop is gone is harmless.
  EXPECT_FALSE(c->activo());
  c->detener();
}

}  // namespace
}  // namespace orvo
