#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "apoyo/bundles_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "plataforma/linux/procesos.h"

using namespace orvo;
using prueba::esperarQue;
namespace fs = std::filesystem;

namespace {

// Runs `orden` from `carpeta` in a process group of its own, so the test can end the
// script's children too.
pid_t lanzar(const fs::path& carpeta, std::vector<const char*> orden) {
  orden.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    if (chdir(carpeta.c_str()) == 0) execv(orden[0], const_cast<char**>(orden.data()));
    _exit(127);
  }
  return pid;
}

void terminar(pid_t pid) {
  kill(-pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

}  // namespace

// The three ways an app's program shows in /proc: a binary copied into the bundle (its
// exe), a script run through its #! line (its first argument) and a script a shell was
// given by a path relative to its folder.
TEST(Procesos, CadaFormaDeCorrerUnBundleSeReconoceMientrasVive) {
  prueba::CarpetaTemporal t;
  auto reloj = t / "Reloj.app/Contents/MacOS/Reloj";
  fs::create_directories(reloj.parent_path());
  fs::copy_file("/bin/sleep", reloj);
  auto video = t.escribir("Video.app/Contents/MacOS/Video", "#!/bin/sh\nsleep 30\n");
  auto notas = t.escribir("Notas.app/Contents/MacOS/Notas", "#!/bin/sh\nsleep 30\n");
  for (const auto& exe : {reloj, video, notas}) fs::permissions(exe, fs::perms(0755));

  pid_t r = lanzar(t.ruta(), {reloj.c_str(), "30"});
  pid_t v = lanzar(t.ruta(), {video.c_str()});
  pid_t n = lanzar(t.ruta(), {"/bin/sh", "Notas.app/Contents/MacOS/Notas"});
  ASSERT_TRUE(esperarQue([&] {
    return procesosDe(reloj) == std::vector{r} && procesosDe(video) == std::vector{v} &&
           procesosDe(notas) == std::vector{n};
  }));
  auto sleeps = procesosDe("/bin/sleep");
  EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), r), 0);
  // A path through a symbolic link names the same executable.
  fs::create_directory_symlink(t / "Video.app", t / "Enlace.app");
  EXPECT_EQ(procesosDe(t / "Enlace.app/Contents/MacOS/Video"), std::vector{v});

  kill(v, SIGTERM);
  // Not yet reaped: a zombie no longer runs the app.
  ASSERT_TRUE(esperarQue([&] { return !procesoVivo(v); }));
  EXPECT_TRUE(procesosDe(video).empty());
  for (pid_t p : {r, v, n}) terminar(p);
  EXPECT_FALSE(procesoVivo(v));
  EXPECT_TRUE(procesosDe(reloj).empty());
}

TEST(Procesos, ElEscanerVeElExecDeUnProcesoQueYaConocia) {
  prueba::CarpetaTemporal t;
  fs::create_directories(t / "Reloj.app/Contents/MacOS");
  auto exe = t / "Reloj.app/Contents/MacOS/Reloj";
  fs::copy_file("/bin/sleep", exe);
  fs::permissions(exe, fs::perms(0755));
  auto senal = t / "seguir";
  // A shell that waits for the test, then becomes the bundle's binary under the same pid.
  pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", "while [ ! -e \"$1\" ]; do sleep 0.05; done; exec \"$0\" 30",
          exe.c_str(), senal.c_str(), nullptr);
    _exit(127);
  }
  EscanerProcesos escaner;
  exe = fs::canonical(exe);
  auto corre = [&](const fs::path& ejecutable) {
    for (const auto& p : escaner.vivos())
      if (p.pid == pid)
        return std::find(p.ejecutables.begin(), p.ejecutables.end(), ejecutable) !=
               p.ejecutables.end();
    return false;
  };
  ASSERT_TRUE(esperarQue([&] { return corre(fs::canonical("/bin/sh")); }, 30));
  EXPECT_FALSE(corre(exe));
  std::ofstream{senal};
  EXPECT_TRUE(esperarQue([&] { return corre(exe); }, 30));
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_FALSE(corre(exe));
}
