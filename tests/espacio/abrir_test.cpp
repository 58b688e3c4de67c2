#include <gtest/gtest.h>

#include <cerrno>

#include <sys/wait.h>
#include <unistd.h>

#include "apoyo/bundles_prueba.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

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
