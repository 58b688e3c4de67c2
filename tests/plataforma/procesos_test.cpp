#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "apoyo/bundles_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "plataforma/linux/procesos.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

// The ways an app's program shows in /proc: a binary copied into the bundle (its exe), a
// script run through its #! line, here by a path through a link (its first argument,
// resolved), and a script a shell was given by a path relative to its folder. A process
// the scanner already knows is read again once it execs the bundle's binary.
TEST(Procesos, CadaFormaDeCorrerUnBundleYElExecDeUnProcesoYaConocido) {
  CarpetaTemporal t;
  EscanerProcesos escaner;
  auto corre = [&](pid_t pid, const fs::path& exe) {
    for (const auto& p : escaner.vivos())
      if (p.pid == pid)
        return std::count(p.ejecutables.begin(), p.ejecutables.end(), fs::canonical(exe)) > 0;
    return false;
  };
  auto guion = [&](const std::string& nombre, const std::string& texto) {
    auto ruta = t.escribir(nombre, "#!/bin/sh\n" + texto);
    fs::permissions(ruta, fs::perms(0755));
    return ruta;
  };
  auto reloj = t / "Reloj.app/Contents/MacOS/Reloj";
  fs::create_directories(reloj.parent_path());
  fs::copy_file("/bin/sleep", reloj);
  auto video = guion("Video.app/Contents/MacOS/Video", "sleep 30\n");
  auto notas = guion("Notas.app/Contents/MacOS/Notas", "sleep 30\n");
  fs::create_directory_symlink(t / "Video.app", t / "Enlace.app");
  auto senal = t / "seguir";
  ProcesoPrueba r(guion("reloj.sh", "exec '" + reloj.string() + "' 30\n"));
  ProcesoPrueba v(t / "Enlace.app/Contents/MacOS/Video");
  ProcesoPrueba n(guion(
      "notas.sh", "cd '" + t.ruta().string() + "' && exec sh Notas.app/Contents/MacOS/Notas\n"));
  auto luego =
      guion("luego.sh", "while [ ! -e '" + senal.string() + "' ]; do sleep 0.05; done\nexec '" +
                            reloj.string() + "' 30\n");
  ProcesoPrueba l(luego);
  ASSERT_TRUE(esperarQue(
      [&] {
        return corre(r.pid(), reloj) && corre(v.pid(), video) && corre(n.pid(), notas) &&
               corre(l.pid(), luego);
      },
      30));
  EXPECT_FALSE(corre(r.pid(), "/bin/sleep"));
  EXPECT_FALSE(corre(l.pid(), reloj));
  std::ofstream{senal};
  EXPECT_TRUE(esperarQue([&] { return corre(l.pid(), reloj); }, 30));
}
