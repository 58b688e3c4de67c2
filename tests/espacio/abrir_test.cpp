#include <gtest/gtest.h>

#include <cerrno>

#include <sys/wait.h>
#include <unistd.h>

#include "apoyo/bucle_manual.h"
#include "apoyo/bundles_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "plataforma/linux/espacio_linux.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

TEST(Abrir, ArrancaLaAppEnUnaSesionPropiaSinNuestraSalida) {
  CarpetaTemporal t;
  BucleManual bucle;
  EspacioLinux espacio(t / "Aplicaciones", t / "xdg/applications", bucle);
  auto video = crearBundle(t / "Aplicaciones", "Video", clavesDe("com.orvo.video", "Video"));
  Huerfanos huerfanos;

  // Opened from a helper process, which must be left with no child at all: the app is
  // not its child and the one in between was reaped. The app then comes to us.
  pid_t ayudante = fork();
  if (ayudante == 0) {
    if (espacio.abrir(video)) _exit(1);
    _exit(waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD ? 0 : 2);
  }
  int estado = 0;
  ASSERT_EQ(waitpid(ayudante, &estado, 0), ayudante);
  EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0) << estado;
  ASSERT_TRUE(esperarQue([&] { return espacio.enMarcha("com.orvo.video").size() == 1; }));
  pid_t pid = espacio.enMarcha("com.orvo.video")[0].pid;
  huerfanos.anotar(pid);
  EXPECT_EQ(getsid(pid), pid);
  EXPECT_NE(getsid(pid), getsid(0));
  for (int fd : {0, 1, 2})
    EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd)),
              "/dev/null");
  EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(pid) + "/cwd"), "/");
}

TEST(Abrir, DiceEnEspanolPorQueNoPudoArrancar) {
  CarpetaTemporal t;
  BucleManual bucle;
  EspacioLinux espacio(t / "Aplicaciones", t / "xdg/applications", bucle);
  auto error = [&](const fs::path& bundle) { return espacio.abrir(bundle).value_or("(abrió)"); };

  EXPECT_EQ(error(t / "Nada.app"),
            "No se pudo abrir Nada: falta su Info.plist o no se puede leer.");

  auto sinExe = crearBundle(t.ruta(), "SinExe", clavesDe("com.orvo.a", "SinExe"), "");
  EXPECT_EQ(error(sinExe), "No se pudo abrir SinExe: falta su ejecutable Contents/MacOS/SinExe.");

  auto sinPermiso = crearBundle(t.ruta(), "SinPermiso", clavesDe("com.orvo.b", "SinPermiso"));
  fs::permissions(sinPermiso / "Contents/MacOS/SinPermiso", fs::perms(0644));
  EXPECT_EQ(error(sinPermiso),
            "No se pudo abrir SinPermiso: su ejecutable no tiene permiso de ejecución.");

  auto texto = crearBundle(t.ruta(), "Texto", clavesDe("com.orvo.c", "Texto"), "hola\n");
  EXPECT_EQ(error(texto),
            "No se pudo abrir Texto: su ejecutable no tiene un formato que Linux sepa ejecutar.");

  auto interprete =
      crearBundle(t.ruta(), "Interprete", clavesDe("com.orvo.d", "Interprete"), "#!/no/hay/sh\n");
  EXPECT_EQ(error(interprete),
            "No se pudo abrir Interprete: no está instalado el intérprete que pide su ejecutable.");

  // An Info.plist may not point outside its own bundle.
  auto fuera = crearBundle(t.ruta(), "Fuera", clavesDe("com.orvo.e", "../../../Fuera.sh"), "");
  t.escribir("Fuera.sh", "#!/bin/sh\ntouch " + (t / "corrio").string() + "\n");
  fs::permissions(t / "Fuera.sh", fs::perms(0755));
  EXPECT_EQ(error(fuera),
            "No se pudo abrir Fuera: su Info.plist no nombra un ejecutable válido "
            "(CFBundleExecutable).");
  EXPECT_FALSE(fs::exists(t / "corrio"));
}
