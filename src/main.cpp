// Entry point: prepares the process, builds the real platform and runs the program.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "comun/archivos.h"
#include "comun/carpeta_trabajo.h"
#include "comun/log.h"
#include "plataforma/gtk/aplicacion.h"
#include "plataforma/gtk/bandeja_sni.h"
#include "plataforma/gtk/frente.h"
#include "plataforma/gtk/notificaciones_dbus.h"
#include "plataforma/gtk/vista_web.h"
#include "plataforma/linux/bucle_glib.h"
#include "plataforma/linux/condiciones_gio.h"
#include "plataforma/linux/descargas_curl.h"
#include "plataforma/linux/espacio_linux.h"
#include "plataforma/linux/http_curl.h"
#include "plataforma/linux/modulos_gio.h"
#include "plataforma/linux/permisos_linux.h"
#include "plataforma/linux/preferencias_linux.h"
#include "plataforma/linux/sistema_linux.h"
#include "shell/app_delegate.h"
#include "shell/nucleo.h"
#include "shell/prueba_instalacion.h"
#include "shell/texto_estado.h"

namespace {

using namespace orvo;
namespace fs = std::filesystem;

// Every real platform piece, in the order their users need them.
struct PlataformaLinux {
  // First: GIO's monitors load modules, which must happen on the main thread before the
  // workers and the session thread start.
  CondicionesGio condiciones;
  BucleGlib bucle;
  SistemaLinux sistema;
  HttpCurl http;
  EspacioLinux espacio{Catalogo::carpetaDeApps(sistema), sistema.carpetaDatos() / "applications",
                       bucle};
  DescargasCurl descargas{bucle, sistema.carpetaTemporal()};
  PermisosLinux permisos;

  Plataforma comoInterfaz() {
    return {bucle, http, espacio, sistema, descargas, permisos, condiciones};
  }
};

constexpr const char* kUso =
    "Uso: orvo-suite [orvosuite:ENLACE...]\n"
    "     orvo-suite --demo CARPETA\n"
    "     orvo-suite --help | --version\n"
    "\n"
    "Mantiene instaladas y al día las apps de Orvo. Sin argumentos abre el programa en la\n"
    "bandeja (si ya está abierto, muestra su ventana); los enlaces orvosuite: van al programa\n"
    "abierto. --demo muestra el estado de las apps de un catálogo local y termina, sin tocar\n"
    "tus ajustes: trabaja en una carpeta de datos propia (o en la de OV_DATOS, si la hay).\n"
    "\n"
    "Variables: OV_DATOS y OV_DESTINO (carpetas de datos y de apps), OV_ABRIR=1 (mostrar la\n"
    "ventana al empezar), OV_PRUEBA_INSTALAR=ID (instalar una app sin ventanas y terminar;\n"
    "con OV_PRUEBA_VOLVER=1, volver a su versión anterior).\n";

// Lists a local catalogue folder's apps with their status on this computer.
int mostrarEstadoEn(const std::string& carpeta) {
  PlataformaLinux p;
  Nucleo nucleo(p.comoInterfaz());
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
    p.bucle.salir();
  });
  p.bucle.correr();
  return estado;
}

// The refresh writes the settings, the components' lists and staging: unless OV_DATOS names a
// data folder, the demo works in one of its own (a working folder that a killed run leaves to
// the next start's or demo's clean-up), so the user's settings and a running instance's
// downloads stay.
int mostrarEstado(const std::string& carpeta) {
  std::optional<fs::path> propia;
  std::unique_ptr<CarpetaOcupada> ocupada;
  if (auto datos = std::getenv("OV_DATOS"); !datos || !*datos) {
    auto temporal = SistemaLinux().carpetaTemporal();
    quitarCarpetasHuerfanas(temporal);
    propia = temporal / ("orvo-suite-" + uuidMayusculas());
    std::error_code e;
    fs::create_directories(*propia, e);
    ocupada = std::make_unique<CarpetaOcupada>(*propia);
    ::setenv("OV_DATOS", propia->c_str(), 1);
  }
  int estado = mostrarEstadoEn(carpeta);
  ocupada.reset();
  if (propia) quitarArbol(*propia);
  return estado;
}

// The test-install mode: no display and no toolkit, only the plain main loop.
int probarInstalacion(const std::string& id) {
  PlataformaLinux p;
  quitarCarpetasHuerfanas(p.sistema.carpetaTemporal());
  Nucleo nucleo(p.comoInterfaz());
  int salida = 0;
  auto salir = [&](int estado) {
    salida = estado;
    p.bucle.salir();
  };
  nucleo.instalador().terminarPrograma = [&] { salir(0); };
  PruebaInstalacion prueba(nucleo, stdout, salir);
  prueba.comenzar(id);
  p.bucle.correr();
  return salida;
}

// The pages: inside the program's own bundle, else (run from the build tree) the source
// tree's. OV_PRUEBA_WEB lets the tests show pages of their own.
std::optional<fs::path> carpetaWeb(Sistema& sistema) {
  if (auto prueba = sistema.entorno("OV_PRUEBA_WEB")) return fs::path(*prueba);
  std::error_code ec;
  auto exe = fs::read_symlink("/proc/self/exe", ec);
  auto contents = exe.parent_path().parent_path();
  if (!ec && exe.parent_path().filename() == "MacOS" && contents.filename() == "Contents" &&
      fs::is_directory(contents / "Resources/web", ec))
    return contents / "Resources/web";
  if (fs::is_directory(ORVO_WEB_FUENTE, ec)) return fs::path(ORVO_WEB_FUENTE);
  return std::nullopt;
}

// The desktop program: one instance per session; a later launch hands over and ends.
int escritorio(int argc, char** argv) {
  // Before the curl threads and the workers exist, and long before the web module loads.
  resolverModulosGio();
  SistemaLinux sistema;
  auto web = carpetaWeb(sistema);
  if (!web) {
    std::fprintf(stderr,
                 "No encuentro las páginas del programa: falta la carpeta web en el paquete "
                 "(Contents/Resources/web) y en %s.\n",
                 ORVO_WEB_FUENTE);
    return 1;
  }
  auto modulo = VistaWeb::moduloJunto();
  if (auto error = VistaWeb::preparar(modulo)) {
    std::fprintf(stderr, "Falta una parte del programa, el módulo de sus ventanas: %s.\n",
                 error->c_str());
    return 1;
  }
  std::error_code ec;
  PreferenciasLinux preferencias(sistema, fs::read_symlink("/proc/self/exe", ec));
  std::unique_ptr<PlataformaLinux> p;
  std::unique_ptr<Nucleo> nucleo;
  BandejaSni bandeja;
  NotificacionesDbus notificaciones;
  std::unique_ptr<AppDelegate> delegado;
  return correrAplicacion(
      *web, preferencias,
      {.lanzar =
           [&](Pantalla& pantalla) {
             p = std::make_unique<PlataformaLinux>();
             p->espacio.usarEscritorio(escritorioGtk());
             quitarCarpetasHuerfanas(p->sistema.carpetaTemporal());
             nucleo = std::make_unique<Nucleo>(p->comoInterfaz());
             delegado = std::make_unique<AppDelegate>(*nucleo, pantalla, bandeja, preferencias,
                                                      &notificaciones);
             delegado->lanzar();
           },
       .reabrir = [&] { delegado->reabrir(); },
       .abrir = [&](const std::vector<std::string>& urls) { delegado->abrirEnlaces(urls); },
       .terminar = [&] { delegado.reset(); }},
      argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  // Inherited from the vendor's Electron apps; every process we start must not see them.
  unsetenv("ELECTRON_RUN_AS_NODE");
  unsetenv("ELECTRON_NO_ATTACH_CONSOLE");
  std::string primero = argc > 1 ? argv[1] : "";
  if (primero == "--help" || primero == "-h") return std::fputs(kUso, stdout), 0;
  if (primero == "--version") {
    SistemaLinux sistema;
    std::printf("orvo-suite %s\n", sistema.versionPropia().value_or(ORVO_VERSION).c_str());
    return 0;
  }
  if (auto id = std::getenv("OV_PRUEBA_INSTALAR")) return probarInstalacion(id);
  if (argc == 3 && primero == "--demo") return mostrarEstado(argv[2]);
  if (primero == "--demo") {
    std::fputs("--demo necesita una carpeta, y nada más.\n\n", stderr);
    return std::fputs(kUso, stderr), 2;
  }
  for (int i = 1; i < argc; ++i)
    if (argv[i][0] == '-') {
      std::fprintf(stderr, "Opción desconocida: %s\n\n", argv[i]);
      return std::fputs(kUso, stderr), 2;
    }
  return escritorio(argc, argv);
}
