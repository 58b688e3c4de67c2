#include <gtest/gtest.h>

#include "apoyo/bundles_prueba.h"
#include "plataforma/linux/bucle_glib.h"

using namespace orvo;
using namespace orvo::prueba;

TEST(Observar, LaRevisionPeriodicaAvisaCuandoUnaAppEmpiezaYTermina) {
  Escritorio e;
  auto video = crearBundle(e.apps, "Video", clavesDe("com.orvo.video", "Video"));
  int cambios = 0;
  e.espacio.observar([&] { ++cambios; });
  auto enMarcha = [&] { return e.espacio.enMarcha("com.orvo.video").size() == 1; };
  e.bucle.avanzar(1.5);
  EXPECT_EQ(cambios, 0);
  {
    ProcesoPrueba p(video / "Contents/MacOS/Video");
    ASSERT_TRUE(esperarQue(enMarcha));
    e.bucle.avanzar(1.5);
    e.bucle.avanzar(1.5);
    EXPECT_EQ(cambios, 1);
  }
  e.bucle.avanzar(1.5);
  EXPECT_EQ(cambios, 2);

  // With nobody looking a start is noticed later, and soon again once someone looks.
  e.espacio.atento(false);
  {
    ProcesoPrueba p(video / "Contents/MacOS/Video");
    ASSERT_TRUE(esperarQue(enMarcha));
    e.bucle.avanzar(1.5);
    EXPECT_EQ(cambios, 2);
    e.bucle.avanzar(4.5);
    EXPECT_EQ(cambios, 3);
  }
  e.espacio.atento(true);
  e.bucle.avanzar(1.5);
  EXPECT_EQ(cambios, 4);

  e.espacio.observar(nullptr);
  ProcesoPrueba otra(video / "Contents/MacOS/Video");
  ASSERT_TRUE(esperarQue(enMarcha));
  e.bucle.avanzar(3);
  EXPECT_EQ(cambios, 4);
  EXPECT_EQ(e.bucle.temporizadoresActivos(), 0u);
}

TEST(Observar, ElFinDeUnaAppConocidaLlegaSinEsperarLaRevision) {
  CarpetaTemporal t;
  BucleGlib bucle;
  // A scan far away: only the pidfd can tell in time.
  EspacioDePrueba espacio(t.ruta(), t / "Aplicaciones", t / "xdg/applications", bucle, 600);
  auto video = crearBundle(t / "Aplicaciones", "Video", clavesDe("com.orvo.video", "Video"));
  ProcesoPrueba p(video / "Contents/MacOS/Video");
  ASSERT_TRUE(esperarQue([&] { return espacio.enMarcha("com.orvo.video").size() == 1; }));

  int cambios = 0;
  bool principal = false;
  espacio.observar([&] {
    ++cambios;
    principal = bucle.enHiloPrincipal();
    bucle.salir();
  });
  auto matar = bucle.despues(0.05, [&] { p.matar(); });
  auto guarda = bucle.despues(5, [&] { bucle.salir(); });
  bucle.correr();
  guarda->detener();
  EXPECT_EQ(cambios, 1);
  EXPECT_TRUE(principal);
}
