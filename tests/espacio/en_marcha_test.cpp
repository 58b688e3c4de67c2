#include <gtest/gtest.h>

#include <cerrno>
#include <set>

#include <sys/wait.h>
#include <unistd.h>

#include "apoyo/bundles_prueba.h"
#include "apoyo/ids_prueba.h"

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
    EXPECT_FALSE(e.espacio.terminada(v));
  }
  EXPECT_EQ(vistos, (std::set<std::pair<pid_t, fs::path>>{{a.pid(), dentro}, {b.pid(), fuera}}));

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

// The running-application list is the user's own: another user's process that runs the same
// bundle is no app of this user's and is never signalled, nor is a pid that is now another
// process; the user's own copy is stopped.
TEST(PedirCierre, SoloLaAppDelUsuarioYNoUnPidQueYaEsOtro) {
  if (::getuid() != 0) GTEST_SKIP() << "otro usuario: setpriv necesita root";
  Escritorio e;
  fs::permissions(e.t.ruta(), fs::perms(0755));
  const auto id = idUnico("com.orvo.video");
  auto video = crearBundle(e.apps, "Video", clavesDe(id, "Video"));
  const auto exe = video / "Contents/MacOS/Video";
  auto otro = e.t.escribir("otro.sh",
                           "#!/bin/sh\nexec /usr/bin/setpriv --reuid=65534 "
                           "--regid=65534 --clear-groups '" +
                               exe.string() + "'\n");
  fs::permissions(otro, fs::perms(0755));
  ProcesoPrueba ajeno(otro);
  auto status = "/proc/" + std::to_string(ajeno.pid()) + "/";
  ASSERT_TRUE(esperarQue([&] {
    return leer(status + "cmdline").find(exe.string()) != std::string::npos &&
           leer(status + "status").find("\nUid:\t65534") != std::string::npos;
  }));
  ProcesoPrueba p(exe);
  ASSERT_TRUE(esperarQue([&] { return e.espacio.enMarcha(id).size() == 1; }));
  auto app = e.espacio.enMarcha(id)[0];
  EXPECT_EQ(app.pid, p.pid());

  auto suya = app;
  suya.pid = ajeno.pid();
  suya.inicio = 0;
  EXPECT_TRUE(e.espacio.terminada(suya));
  EXPECT_FALSE(e.espacio.pedirCierre(suya));
  // The same pid started at another time, or running another bundle, is not this app.
  auto reutilizado = app;
  reutilizado.inicio += 1;
  EXPECT_TRUE(e.espacio.terminada(reutilizado));
  EXPECT_FALSE(e.espacio.pedirCierre(reutilizado));
  EXPECT_FALSE(e.espacio.pedirCierre(AppEnMarcha{app.pid, "com.orvo.otra", video, app.inicio}));
  // pid 0 would signal our own process group.
  EXPECT_FALSE(e.espacio.pedirCierre(AppEnMarcha{0, id, video}));

  EXPECT_TRUE(e.espacio.pedirCierre(app));
  EXPECT_TRUE(esperarQue([&] { return e.espacio.terminada(app); }));
  p.esperar();
  EXPECT_FALSE(e.espacio.pedirCierre(app));
  EXPECT_NE(leer(status + "cmdline").find(exe.string()), std::string::npos);
}

TEST(Abrir, EnUnaSesionPropiaSinNuestraSalidaODiceEnEspanolPorQueNo) {
  Escritorio e;
  auto video = crearBundle(e.apps, "Video", clavesDe("com.orvo.video", "Video"));

  // Opened from a helper process, which must be left with no child at all: the app is
  // not its child and the one in between was reaped.
  pid_t ayudante = fork();
  if (ayudante == 0) {
    if (e.espacio.abrir(video)) _exit(1);
    _exit(waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD ? 0 : 2);
  }
  int estado = 0;
  ASSERT_EQ(waitpid(ayudante, &estado, 0), ayudante);
  EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0) << estado;
  ASSERT_TRUE(esperarQue([&] { return e.espacio.enMarcha("com.orvo.video").size() == 1; }));
  pid_t pid = e.espacio.enMarcha("com.orvo.video")[0].pid;
  EXPECT_EQ(getsid(pid), pid);
  EXPECT_NE(getsid(pid), getsid(0));
  auto proc = fs::path("/proc") / std::to_string(pid);
  for (const char* fd : {"fd/0", "fd/1", "fd/2"})
    EXPECT_EQ(fs::read_symlink(proc / fd), "/dev/null");
  EXPECT_EQ(fs::read_symlink(proc / "cwd"), "/");

  // What keeps an app from starting, in Spanish.
  auto& t = e.t;
  EXPECT_EQ(e.espacio.abrir(t / "Nada.app"),
            "No se pudo abrir Nada: falta su Info.plist o no se puede leer.");
  struct Caso {
    const char *nombre, *ejecutable, *script, *motivo;
  } casos[] = {
      {"SinExe", "SinExe", "", "falta su ejecutable Contents/MacOS/SinExe"},
      {"Texto", "Texto", "hola\n", "su ejecutable no tiene un formato que Linux sepa ejecutar"},
      {"Interprete", "Interprete", "#!/no/hay/sh\n",
       "no está instalado el intérprete que pide su ejecutable"},
      // An Info.plist may not point outside its own bundle.
      {"Fuera", "../../../Fuera.sh", "",
       "su Info.plist no nombra un ejecutable válido (CFBundleExecutable)"},
  };
  t.escribir("Fuera.sh", "#!/bin/sh\ntouch " + (t / "corrio").string() + "\n");
  fs::permissions(t / "Fuera.sh", fs::perms(0755));
  for (const auto& c : casos) {
    auto bundle = crearBundle(t.ruta(), c.nombre, clavesDe("com.orvo.c", c.ejecutable), c.script);
    EXPECT_EQ(e.espacio.abrir(bundle),
              "No se pudo abrir " + std::string(c.nombre) + ": " + c.motivo + ".");
  }
  EXPECT_FALSE(fs::exists(t / "corrio"));
}
