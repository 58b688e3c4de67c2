// Entry point: prepares the process, builds the real platform and runs the program.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "comun/carpeta_trabajo.h"
#include "plataforma/linux/bucle_glib.h"
#include "plataforma/linux/descargas_curl.h"
#include "plataforma/linux/espacio_linux.h"
#include "plataforma/linux/http_curl.h"
#include "plataforma/linux/permisos_linux.h"
#include "plataforma/linux/sistema_linux.h"
#include "shell/nucleo.h"
#include "shell/prueba_instalacion.h"
#include "shell/texto_estado.h"

namespace {

using namespace orvo;

// Every real platform piece, in the order their users need them.
struct PlataformaLinux {
  BucleGlib bucle;
  SistemaLinux sistema;
  HttpCurl http;
  EspacioLinux espacio{Catalogo::carpetaDeApps(sistema), sistema.carpetaDatos() / "applications",
                       bucle};
  DescargasCurl descargas{bucle, sistema.carpetaTemporal()};
  PermisosLinux permisos;

  Plataforma comoInterfaz() { return {bucle, http, espacio, sistema, descargas, permisos}; }
};

// Lists a local catalogue folder's apps with their status on this computer.
int mostrarEstado(Nucleo& nucleo, BucleGlib& bucle, const std::string& carpeta) {
  auto& catalogo = nucleo.catalogo();
  catalogo.cambiarAjustes([&](Ajustes& a) { a.fuente = carpeta; });
  int estado = 0;
  catalogo.revisar([&] {
    if (catalogo.errorFuente) {
      std::fprintf(stderr, "%s\n", catalogo.errorFuente->c_str());
      estado = 1;
    }
    std::printf("Catálogo %s, apps en %s\n", catalogo.base().texto().c_str(),
                catalogo.aplicaciones.c_str());
    for (const auto& e : catalogo.estadoApps()) std::printf("  %s\n", textoApp(e).c_str());
    bucle.salir();
  });
  bucle.correr();
  return estado;
}

}  // namespace

int main(int argc, char** argv) {
  // Inherited from the vendor's Electron apps; every process we start must not see them.
  unsetenv("ELECTRON_RUN_AS_NODE");
  unsetenv("ELECTRON_NO_ATTACH_CONSOLE");
  PlataformaLinux p;
  quitarCarpetasHuerfanas(p.sistema.carpetaTemporal());
  Nucleo nucleo(p.comoInterfaz());

  if (auto id = p.sistema.entorno("OV_PRUEBA_INSTALAR")) {
    int salida = 0;
    auto salir = [&](int estado) {
      salida = estado;
      p.bucle.salir();
    };
    nucleo.instalador().terminarPrograma = [&] { salir(0); };
    PruebaInstalacion prueba(nucleo, stdout, salir);
    prueba.comenzar(*id);
    p.bucle.correr();
    return salida;
  }
  if (argc == 3 && std::string(argv[1]) == "--demo") return mostrarEstado(nucleo, p.bucle, argv[2]);
  std::fprintf(stderr, "Uso: orvo-suite --demo CARPETA\n");
  return 2;
}
