// The swap's file work when the applications folder refuses: the administrator command
// (run for real by /bin/sh behind a stand-in prompt), its quoting, and the previous
// version put back whenever the new one could not go in.
#include <gtest/gtest.h>

#include <fstream>

#include "apoyo/carpeta_temporal.h"
#include "comun/archivos.h"
#include "instalador/cambio_de_bundles.h"
#include "instalador/orden_reemplazo.h"
#include "plataforma/linux/permisos_linux.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

struct Escena {
  CarpetaTemporal t;
  RutasDeCambio rutas;
  int apartadas = 0;
  explicit Escena(const std::string& nombre = "Video.app") {
    rutas = {t / "tmp/app" / nombre, t / "Apps" / nombre, t / "datos/respaldo" / nombre};
    t.escribir("tmp/app/" + nombre + "/Contents/version", "nueva");
    t.escribir("Apps/" + nombre + "/Contents/version", "vieja");
    fs::create_directories(rutas.respaldo.parent_path());
  }
  std::string en(const fs::path& bundle) {
    return leerArchivo(bundle / "Contents/version").value_or("(nada)");
  }
  PermisosLinux prompt(bool acepta) {
    auto guion = t / (acepta ? "acepta" : "sin-agente");
    std::ofstream(guion) << (acepta ? "#!/bin/sh\nexec \"$@\"\n" : "#!/bin/sh\nexit 127\n");
    fs::permissions(guion, fs::perms(0755));
    return PermisosLinux(guion.string());
  }
  Error cambiar(Permisos& p, const Mover& m) {
    return cambiarBundles(rutas, p, m, [&] { ++apartadas; });
  }
};

// Refuses to bring anything from `carpeta`, as a copy across filesystems does when the
// applications folder's disk is full; other moves work.
Mover rechazaDesde(const fs::path& carpeta) {
  return [carpeta](const fs::path& desde, const fs::path& hacia) -> Error {
    if (desde.parent_path() == carpeta) return "No pude copiar " + desde.string() + ": disco lleno";
    return mover(desde, hacia);
  };
}

}  // namespace

TEST(Cambio, SinProblemasGuardaLaAnteriorYNoPidePermiso) {
  Escena e;
  auto p = e.prompt(false);
  EXPECT_FALSE(e.cambiar(p, mover));
  EXPECT_EQ(e.en(e.rutas.destino), "nueva");
  EXPECT_EQ(e.en(e.rutas.respaldo), "vieja");
  EXPECT_EQ(e.apartadas, 1);
}

// The installed version stays whole in place while the new one is brought over, a crashed
// run's leftovers go, and nothing hidden stays behind.
TEST(Cambio, LaAnteriorSigueEnSuSitioHastaElIntercambio) {
  Escena e;
  e.t.escribir("Apps/.Video.app." + uuidMayusculas() + "/Contents/version", "a medias");
  e.t.escribir("datos/respaldo/.Video.app." + uuidMayusculas() + "/Contents/version", "a medias");
  e.t.escribir("datos/respaldo/Video.app/Contents/version", "muy vieja");
  std::vector<std::string> vistas;
  Mover mirando = [&](const fs::path& desde, const fs::path& hacia) {
    vistas.push_back(e.en(e.rutas.destino));
    return mover(desde, hacia);
  };
  auto p = e.prompt(false);
  EXPECT_FALSE(e.cambiar(p, mirando));
  EXPECT_EQ(vistas, (std::vector<std::string>{"vieja", "nueva"}));
  EXPECT_EQ(e.en(e.rutas.destino), "nueva");
  EXPECT_EQ(e.en(e.rutas.respaldo), "vieja");
  for (const auto& carpeta : {e.t / "Apps", e.t / "datos/respaldo"})
    for (const auto& f : fs::directory_iterator(carpeta))
      EXPECT_FALSE(f.path().filename().string().starts_with(".")) << f.path();
}

TEST(Cambio, ElAdministradorQueFallaDejaLaVersionAnteriorEnSuSitio) {
  Escena e;
  auto p = e.prompt(false);
  // Moving aside works, moving in is refused: the previous version was only in the
  // backup, and the command would have deleted it first.
  EXPECT_EQ(e.cambiar(p, rechazaDesde(e.t / "tmp/app")),
            "No pude escribir en Aplicaciones. Orvo sigue con la versión anterior.");
  EXPECT_EQ(e.en(e.rutas.destino), "vieja");
  EXPECT_EQ(e.en(e.rutas.nuevo), "nueva");
}

TEST(Cambio, ElAdministradorQueAceptaHaceElCambioCompleto) {
  // Quotes, double quotes, spaces and a "$" in every path of the command.
  Escena e("Vi'de\"o $HOME.app");
  auto p = e.prompt(true);
  EXPECT_FALSE(e.cambiar(p, rechazaDesde(e.t / "tmp/app")));
  EXPECT_EQ(e.en(e.rutas.destino), "nueva");
  EXPECT_EQ(e.en(e.rutas.respaldo), "vieja");
  EXPECT_FALSE(fs::exists(e.rutas.nuevo));
}

TEST(Cambio, UnaPrimeraInstalacionRechazadaNoDejaNada) {
  Escena e;
  fs::remove_all(e.rutas.destino);
  auto p = e.prompt(false);
  EXPECT_EQ(e.cambiar(p, rechazaDesde(e.t / "tmp/app")),
            "No pude escribir en Aplicaciones. No instalé nada.");
  EXPECT_FALSE(fs::exists(e.rutas.destino));
  EXPECT_EQ(e.apartadas, 0);
}

TEST(Cambio, OrdenYPermisosDelSistema) {
  EXPECT_EQ(ordenDeReemplazo("/d/r/A.app", "/Apps/A.app", "/t/app/A'1.app"),
            "rm -rf '/d/r/A.app' && { [ ! -e '/Apps/A.app' ] || mv '/Apps/A.app' '/d/r/A.app'; } "
            "&& mv '/t/app/A'\\''1.app' '/Apps/A.app'");
  CarpetaTemporal t;
  auto prompt = [&](const std::string& nombre, const std::string& cuerpo) {
    auto guion = t / nombre;
    std::ofstream(guion) << "#!/bin/sh\n" << cuerpo << "\n";
    fs::permissions(guion, fs::perms(0755));
    return PermisosLinux(guion.string());
  };
  EXPECT_EQ(prompt("cancela", "exit 126").comoAdministrador("true"),
            "No se concedió permiso de administrador.");
  EXPECT_EQ(prompt("falla", "exec \"$@\"").comoAdministrador("exit 3"),
            "La orden como administrador terminó con el código 3.");
  EXPECT_EQ(PermisosLinux((t / "no-hay").string()).comoAdministrador("true"),
            "No se pudo pedir permiso de administrador: falta " + (t / "no-hay").string() +
                " (No such file or directory).");
}
