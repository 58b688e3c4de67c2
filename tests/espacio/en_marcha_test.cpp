#include <gtest/gtest.h>

#include <set>

#include <unistd.h>

#include "apoyo/bundles_prueba.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

TEST(EnMarcha, CopiasDentroYFueraDeAplicacionesHastaQueTerminan) {
  Escritorio e;
  auto dentro = crearBundle(e.apps, "Video", clavesDe("com.orvo.video", "Video"));
  // Same identifier, another folder and name, a binary Info.plist.
  auto fuera = crearBundle(e.t / "Descargas", "Video copia", clavesDe("com.orvo.video", "Arranque"),
                           kScriptQueEspera, true);
  // A helper beside the main executable is a leftover process, not the app: counted as
  // the app, it would hold an update waiting for ever.
  fs::copy_file(dentro / "Contents/MacOS/Video", dentro / "Contents/MacOS/Ayudante");
  ProcesoPrueba ayudante(dentro / "Contents/MacOS/Ayudante");
  ProcesoPrueba a(dentro / "Contents/MacOS/Video");
  ProcesoPrueba b(fuera / "Contents/MacOS/Arranque");
  ASSERT_TRUE(esperarQue([&] { return e.espacio.enMarcha("com.orvo.video").size() == 2; }));
  auto videos = e.espacio.enMarcha("com.orvo.video");
  std::set<std::pair<pid_t, fs::path>> vistos;
  for (const auto& v : videos) {
    vistos.emplace(v.pid, v.ruta);
    EXPECT_EQ(v.bundle, "com.orvo.video");
    EXPECT_FALSE(e.espacio.terminada(v));
  }
  EXPECT_EQ(vistos, (std::set<std::pair<pid_t, fs::path>>{{a.pid(), dentro}, {b.pid(), fuera}}));
  EXPECT_TRUE(e.espacio.enMarcha("com.orvo.nadie").empty());

  // Killed but not reaped: a zombie is no running app.
  a.matar();
  ASSERT_TRUE(esperarQue([&] { return e.espacio.enMarcha("com.orvo.video").size() == 1; }));
  EXPECT_EQ(e.espacio.enMarcha("com.orvo.video")[0].pid, b.pid());
  auto muerta = videos[0].pid == a.pid() ? videos[0] : videos[1];
  EXPECT_TRUE(e.espacio.terminada(muerta));
  a.esperar();
  EXPECT_TRUE(e.espacio.terminada(muerta));

  // The bundle now says it is another app: its process is no longer a video.
  crearBundle(e.t / "Descargas", "Video copia", clavesDe("com.orvo.cambiada", "Arranque"), "");
  EXPECT_TRUE(e.espacio.enMarcha("com.orvo.video").empty());
  EXPECT_EQ(e.espacio.enMarcha("com.orvo.cambiada").size(), 1u);
}

TEST(PedirCierre, DetieneLaAppPeroNoUnPidQueYaEsOtro) {
  Escritorio e;
  auto video = crearBundle(e.t / "Aplicaciones", "Video", clavesDe("com.orvo.video", "Video"));
  ProcesoPrueba p(video / "Contents/MacOS/Video");
  ASSERT_TRUE(esperarQue([&] { return e.espacio.enMarcha("com.orvo.video").size() == 1; }));
  auto app = e.espacio.enMarcha("com.orvo.video")[0];

  // The same pid started at another time, or running another bundle, is not this app.
  auto reutilizado = app;
  reutilizado.inicio += 1;
  EXPECT_TRUE(e.espacio.terminada(reutilizado));
  EXPECT_FALSE(e.espacio.pedirCierre(reutilizado));
  EXPECT_FALSE(e.espacio.pedirCierre(AppEnMarcha{app.pid, "com.orvo.otra", video, app.inicio}));
  // pid 0 would signal our own process group.
  EXPECT_FALSE(e.espacio.pedirCierre(AppEnMarcha{0, "com.orvo.video", video}));
  EXPECT_FALSE(e.espacio.terminada(app));

  EXPECT_TRUE(e.espacio.pedirCierre(app));
  EXPECT_TRUE(esperarQue([&] { return e.espacio.terminada(app); }));
  p.esperar();
  EXPECT_FALSE(e.espacio.pedirCierre(app));
}
