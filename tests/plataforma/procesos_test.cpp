#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

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

pid_t lanzar(const fs::path& ejecutable) {
  pid_t pid = fork();
  if (pid == 0) {
    // A group of its own, so the test can end the script's children too.
    setpgid(0, 0);
    execl(ejecutable.c_str(), ejecutable.c_str(), nullptr);
    _exit(127);
  }
  return pid;
}

}  // namespace

TEST(Procesos, UnScriptDeBundleCuentaMientrasViveYNoComoZombi) {
  prueba::CarpetaTemporal t;
  auto exe = t.escribir("Video.app/Contents/MacOS/Video", "#!/bin/sh\nexec sleep 30\n");
  auto otro = t.escribir("Otro.app/Contents/MacOS/Otro", "#!/bin/sh\nsleep 30\n");
  fs::permissions(exe, fs::perms(0755));
  fs::permissions(otro, fs::perms(0755));

  pid_t p = lanzar(otro);
  ASSERT_TRUE(esperarQue([&] { return procesosDe(otro).size() == 1; }));
  EXPECT_TRUE(procesosDe(exe).empty());
  EXPECT_EQ(procesosDe(otro)[0], p);

  // A path through a symbolic link names the same executable.
  fs::create_directory_symlink(t / "Otro.app", t / "Enlace.app");
  EXPECT_EQ(procesosDe(t / "Enlace.app/Contents/MacOS/Otro").size(), 1u);

  kill(p, SIGTERM);
  // Not yet reaped: a zombie no longer runs the app.
  ASSERT_TRUE(esperarQue([&] { return !procesoVivo(p); }));
  EXPECT_TRUE(procesosDe(otro).empty());
  waitpid(p, nullptr, 0);
  EXPECT_FALSE(procesoVivo(p));
  kill(-p, SIGKILL);
}

TEST(Procesos, UnBinarioCopiadoEnElBundleSeReconocePorSuExe) {
  prueba::CarpetaTemporal t;
  fs::create_directories(t / "Reloj.app/Contents/MacOS");
  auto exe = t / "Reloj.app/Contents/MacOS/Reloj";
  fs::copy_file("/bin/sleep", exe);
  fs::permissions(exe, fs::perms(0755));
  pid_t pid = fork();
  if (pid == 0) {
    execl(exe.c_str(), exe.c_str(), "30", nullptr);
    _exit(127);
  }
  ASSERT_TRUE(esperarQue([&] { return procesosDe(exe).size() == 1; }));
  EXPECT_TRUE(procesosDe("/bin/sleep").empty() || procesosDe("/bin/sleep")[0] != pid);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_TRUE(procesosDe(exe).empty());
}

TEST(Procesos, UnScriptLanzadoConRutaRelativaSeReconoce) {
  prueba::CarpetaTemporal t;
  auto exe = t.escribir("Notas.app/Contents/MacOS/Notas", "#!/bin/sh\nsleep 30\n");
  fs::permissions(exe, fs::perms(0755));
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    if (chdir(t.ruta().c_str()) == 0)
      execl("/bin/sh", "sh", "Notas.app/Contents/MacOS/Notas", nullptr);
    _exit(127);
  }
  EXPECT_TRUE(esperarQue([&] { return procesosDe(exe).size() == 1; }));
  kill(-pid, SIGKILL);
  waitpid(pid, nullptr, 0);
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
