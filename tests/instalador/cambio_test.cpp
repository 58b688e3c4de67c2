// The swap's and the going back's file work when the applications folder refuses: the
// administrator command (run for real by /bin/sh behind a stand-in prompt), its quoting,
// and the previous version put back whenever the new one could not go in. Both without
// trouble, and what a kill during them leaves, are proven on the real program in
// tests/programa.
#include <gtest/gtest.h>

#include <fstream>

#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"
#include "apoyo/tmpfs.h"
#include "comun/archivos.h"
#include "comun/comillas.h"
#include "instalador/cambio_de_bundles.h"
#include "plataforma/linux/permisos_linux.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

// The pkexec stand-in: `cuerpo` is its shell script.
PermisosLinux prompt(const CarpetaTemporal& t, const std::string& cuerpo) {
  static int n = 0;
  auto guion = t.escribir("prompt-" + std::to_string(++n), "#!/bin/sh\n" + cuerpo + "\n");
  fs::permissions(guion, fs::perms(0755));
  return PermisosLinux(guion.string());
}
const char* kAcepta = "exec \"$@\"";
const char* kSinAgente = "exit 127";

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
  // Moves work, except that nothing comes from the new bundle's folder, as a copy across
  // filesystems does when the applications folder's disk is full.
  Error cambiar(const char* cuerpo) {
    auto p = prompt(t, cuerpo);
    auto desdeNuevo = rutas.nuevo.parent_path();
    Mover m = [&](const fs::path& desde, const fs::path& hacia) -> Error {
      if (desde.parent_path() == desdeNuevo) return "disco lleno";
      return mover(desde, hacia);
    };
    return cambiarBundles(rutas, p, m, [&] { ++apartadas; });
  }
};

}  // namespace

TEST(Cambio, ElAdministradorQueFallaDejaLaVersionAnteriorEnSuSitio) {
  {
    // Moving aside works, moving in is refused: the previous version was only in the
    // backup, and the command would have deleted it first.
    Escena e;
    EXPECT_EQ(e.cambiar(kSinAgente),
              "No pude escribir en Aplicaciones. Orvo sigue con la versión anterior.");
    EXPECT_EQ(e.en(e.rutas.destino), "vieja");
    EXPECT_EQ(e.en(e.rutas.nuevo), "nueva");
  }
  Escena e;
  fs::remove_all(e.rutas.destino);
  EXPECT_EQ(e.cambiar(kSinAgente), "No pude escribir en Aplicaciones. No instalé nada.");
  EXPECT_FALSE(fs::exists(e.rutas.destino));
  EXPECT_EQ(e.apartadas, 0);
}

TEST(Cambio, ElAdministradorQueAceptaHaceElCambioCompleto) {
  // Quotes, double quotes, spaces and a "$" in every path of the command.
  Escena e("Vi'de\"o $HOME.app");
  EXPECT_FALSE(e.cambiar(kAcepta));
  EXPECT_EQ(e.en(e.rutas.destino), "nueva");
  EXPECT_EQ(e.en(e.rutas.respaldo), "vieja");
  EXPECT_FALSE(fs::exists(e.rutas.nuevo));

  // What the prompt's own statuses and the command's mean to the user.
  EXPECT_EQ(prompt(e.t, "exit 126").comoAdministrador("true"),
            "No se concedió permiso de administrador.");
  EXPECT_EQ(prompt(e.t, kAcepta).comoAdministrador("exit 3"),
            "La orden como administrador terminó con el código 3.");
}

// The folder refuses for real (immutable, which binds root too); the stand-in prompt
// lifts that, as the administrator's rights would.
TEST(Cambio, VolverComoAdministradorIntercambiaLasDosVersiones) {
  if (::getuid() != 0) GTEST_SKIP() << "chattr +i necesita root";
  for (bool otroDisco : {false, true}) {
    Escena e("Vi'de\"o $HOME.app");
    std::optional<Tmpfs> disco;
    if (otroDisco && !disco.emplace(e.t / "datos/respaldo", 64u << 20).montado()) continue;
    e.t.escribir("datos/respaldo/" + e.rutas.destino.filename().string() + "/Contents/version",
                 "guardada");
    auto apps = entreComillas(e.t / "Apps");
    ASSERT_EQ(ejecutar("chattr +i " + apps).estado, 0);
    auto niega = prompt(e.t, kSinAgente),
         concede = prompt(e.t, "chattr -i " + apps + " && exec \"$@\"");
    EXPECT_EQ(volverBundles(e.rutas.respaldo, e.rutas.destino, niega),
              "No pude escribir en Aplicaciones. Sigue instalada la versión que tenías.");
    EXPECT_FALSE(volverBundles(e.rutas.respaldo, e.rutas.destino, concede)) << otroDisco;
    (void)ejecutar("chattr -i " + apps);
    EXPECT_EQ(e.en(e.rutas.destino), "guardada");
    EXPECT_EQ(e.en(e.rutas.respaldo), "vieja");
    for (const auto& r : {e.rutas.destino, e.rutas.respaldo})
      EXPECT_EQ(std::distance(fs::directory_iterator(r.parent_path()), {}), 1) << r;
  }
}
