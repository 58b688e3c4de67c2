// Hearing apps start and quit: installed bundles through the kernel, at once and with no
// scan due; copies elsewhere through the slow scan; ends through the pidfd.
#include <gtest/gtest.h>

#include "apoyo/bundles_prueba.h"
#include "apoyo/ids_prueba.h"
#include "comun/archivos.h"
#include "plataforma/linux/bucle_glib.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

TEST(Observar, LasAppsInstaladasSeOyenAlArrancarYAlTerminarSinEsperarLaRevision) {
  CarpetaTemporal t;
  BucleGlib bucle;
  // No scan in the test's time: only the kernel's notices can tell.
  EspacioDePrueba espacio(t.ruta(), t / "Aplicaciones", t / "xdg/applications", bucle, 600);
  espacio.atento(false);
  const auto id = idUnico("com.orvo.video");
  auto video = crearBundle(t / "Aplicaciones", "Video", clavesDe(id, "Video"));
  int cambios = 0;
  bool principal = false;
  espacio.observar([&] {
    ++cambios;
    principal = bucle.enHiloPrincipal();
  });
  auto esperarCambios = [&](int n) {
    auto guarda = bucle.despues(1.5, [&] { bucle.salir(); });
    auto mirar = bucle.cada(0.02, [&] {
      if (cambios >= n) bucle.salir();
    });
    bucle.correr();
    guarda->detener();
    mirar->detener();
    return cambios >= n;
  };
  {
    ProcesoPrueba p(video / "Contents/MacOS/Video");
    ASSERT_TRUE(esperarCambios(1)) << "the start went unheard";
    EXPECT_TRUE(principal);
    p.matar();
    ASSERT_TRUE(esperarCambios(2)) << "the end went unheard";
  }
  // A bundle installed later, and one swapped in over it, are heard too.
  const auto id2 = idUnico("com.orvo.notas");
  crearBundle(t.ruta(), "Notas", clavesDe(id2, "Notas"));
  fs::rename(t / "Notas.app", t / "Aplicaciones/Notas.app");
  ASSERT_FALSE(esperarCambios(3));
  {
    ProcesoPrueba p(t / "Aplicaciones/Notas.app/Contents/MacOS/Notas");
    ASSERT_TRUE(esperarCambios(3)) << "a bundle installed later went unheard";
  }
  ASSERT_TRUE(esperarCambios(4));
  crearBundle(t / "nueva", "Notas", clavesDe(id2, "Notas"));
  ASSERT_EQ(intercambiar(t / "nueva/Notas.app", t / "Aplicaciones/Notas.app"), std::nullopt);
  {
    ProcesoPrueba p(t / "Aplicaciones/Notas.app/Contents/MacOS/Notas");
    EXPECT_TRUE(esperarCambios(5)) << "the swapped-in bundle went unheard";
  }
}

TEST(Observar, LasCopiasDeOtrasCarpetasEsperanLaRevisionLentaSinNadieMirando) {
  Escritorio e;
  const auto id = idUnico("com.orvo.video");
  auto copia = crearBundle(e.t / "Descargas", "Video", clavesDe(id, "Video"));
  int cambios = 0;
  e.espacio.observar([&] { ++cambios; });
  auto enMarcha = [&] { return e.espacio.enMarcha(id).size() == 1; };
  ProcesoPrueba p(copia / "Contents/MacOS/Video");
  ASSERT_TRUE(esperarQue(enMarcha));
  e.bucle.avanzar(1.5);
  EXPECT_EQ(cambios, 1);
  p.matar();
  p.esperar();
  e.espacio.atento(false);
  e.bucle.avanzar(1.5);
  EXPECT_EQ(cambios, 1);
  e.bucle.avanzar(EspacioLinux::kSinMirar - 1.5);
  EXPECT_EQ(cambios, 2);

  e.espacio.observar(nullptr);
  EXPECT_EQ(e.bucle.temporizadoresActivos(), 0u);
}
