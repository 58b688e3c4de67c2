// The whole windowed program on a virtual display and a session bus of the test's own,
// against the test server: first launch, the test sign-in, the page's snapshot, the
// window's identity on the desktop, later launches that hand over to the running instance,
// and the launches that show the window while the first request is on its way.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include <signal.h>
#include <sys/wait.h>

#include "apoyo/app_prueba.h"
#include "apoyo/bundles_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"
#include "apoyo/servicio_prueba.h"
#include "comun/archivos.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

// The shell lines that give a launch folders of the test's own and, as on most desktops, no
// proxy variables: the first request then asks GIO for the desktop's proxy.
std::string entornoDe(CarpetaTemporal& t) {
  return "unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY no_proxy "
         "NO_PROXY\nexport HOME='" +
         (t / "casa").string() + "' XDG_CONFIG_HOME='" + (t / "config").string() +
         "' XDG_DATA_HOME='" + (t / "xdg").string() + "' OV_DATOS='" + (t / "datos").string() +
         "' OV_DESTINO='" + (t / "apps").string() + "' OV_PRUEBA_WEB='" ORVO_PAGINAS "'\n";
}

// A script for ProcesoPrueba that runs the program after `preludio`, its output in salida.txt.
fs::path guion(CarpetaTemporal& t, const std::string& nombre, const std::string& preludio) {
  auto ruta = t.escribir(nombre, "#!/bin/sh\n" + preludio + "exec " + ORVO_BINARIO + " >'" +
                                     (t / "salida.txt").string() + "' 2>&1\n");
  fs::permissions(ruta, fs::perms(0755));
  return ruta;
}

}  // namespace

TEST(ProgramaConVentanas, PrimerArranqueEntraMuestraLasAppsYUnSegundoArranqueLePasaElTurno) {
  CarpetaTemporal t;
  ServidorPrueba servidor;
  ServicioPrueba servicio(servidor);
  servicio.usuario("ana@orvo.test", "secreta", "tok-ana");
  auto app = empaquetarApp(t / "obra", t / "zips", "prog", "1.0");
  servicio.manifiesto("tok-ana",
                      Json{{"formato", "f"}, {"version", 1}, {"apps", {app.aJson()}}}.dump());
  fs::create_directories(t / "apps");
  // An earlier version's autostart entry, which the new one replaces; the theme icon the
  // package installs.
  t.escribir("config/autostart/orvo-suite.desktop", "[Desktop Entry]\nType=Application\n");
  fs::create_directories(t / "xdg/icons/hicolor/scalable/apps");
  fs::copy_file(
      fs::path(ORVO_PAGINAS).parent_path().parent_path().parent_path() / "packaging/orvo-suite.svg",
      t / "xdg/icons/hicolor/scalable/apps/orvo-suite.svg");
  auto entorno = entornoDe(t);
  ProcesoPrueba primero(
      guion(t, "primero.sh",
            entorno + "export OV_PRUEBA_LOGIN='" + servidor.base() + "|ana@orvo.test|secreta'\n"));

  // The first launch shows the main window (its page loads only then), signs in, checks
  // the server and the page gets a snapshot listing the apps.
  auto ajustes = [&] { return leerArchivo(t / "datos/ajustes.json").value_or(""); };
  ASSERT_TRUE(esperarQue([&] { return ajustes().find("vista:prog") != std::string::npos; }, 60))
      << ajustes() << leerArchivo(t / "salida.txt").value_or("");
  auto a = Json::parse(ajustes());
  EXPECT_EQ(a["fuente"], servidor.base());
  EXPECT_EQ(servidor.peticionesDe("login").size(), 1u);
  EXPECT_GE(servidor.peticionesDe("feed").size(), 1u);
  EXPECT_NE(
      leerArchivo(t / "config/orvo-suite/preferencias.ini").value_or("").find("yaAbierta=true"),
      std::string::npos);
  // Started at login by an entry named after the application id, which sessions skip once
  // the program is gone.
  auto autostart = t / "config/autostart/com.orvo.suite.desktop";
  auto valida = ejecutar("desktop-file-validate '" + autostart.string() + "' 2>&1");
  EXPECT_EQ(valida.estado, 0) << valida.texto;
  EXPECT_NE(leerArchivo(autostart).value_or("").find("\nTryExec=" ORVO_BINARIO "\n"),
            std::string::npos)
      << leerArchivo(autostart).value_or("");
  EXPECT_FALSE(fs::exists(t / "config/autostart/orvo-suite.desktop"));
  // The window says which program it is and carries the theme's icon, so taskbars group it
  // with its launcher.
  auto clase = ejecutar("xprop -name 'Orvo Suite' WM_CLASS _NET_WM_ICON 2>&1 | head -c 300");
  EXPECT_NE(clase.texto.find("WM_CLASS(STRING) = \"com.orvo.suite\", \"com.orvo.suite\""),
            std::string::npos)
      << clase.texto;
  EXPECT_NE(clase.texto.find("_NET_WM_ICON(CARDINAL) = "), std::string::npos) << clase.texto;

  // Later launches reach the running one and end: a plain one and one with a link.
  auto segundo = ejecutar(entorno + "timeout 30 " ORVO_BINARIO " 2>&1");
  EXPECT_EQ(segundo.estado, 0) << segundo.texto;
  auto enlace =
      ejecutar(entorno + "timeout 30 " ORVO_BINARIO " 'orvosuite://skill/instalar?id=x' 2>&1");
  EXPECT_EQ(enlace.estado, 0) << enlace.texto;
  auto log = [&] { return leerArchivo(t / "datos/suite.log").value_or(""); };
  EXPECT_TRUE(esperarQue(
      [&] { return log().find("enlace: orvosuite://skill/instalar?id=x") != std::string::npos; },
      20))
      << log();
  EXPECT_EQ(kill(primero.pid(), 0), 0);  // still running
  EXPECT_EQ(servidor.peticionesDe("login").size(), 1u);
}

// A later launch stays in the tray without WebKit in its memory; a reopen shows the main
// window, which loads it then, and the page gets its snapshot.
TEST(ProgramaConVentanas, EnLaBandejaNoCargaWebKitHastaQueSeAbreLaVentana) {
  CarpetaTemporal t;
  t.escribir("catalogo/orvo-suite.json",
             R"({"formato":"f","version":1,"apps":[{"id":"video","nombre":"Orvo Video",)"
             R"("bundle":")" +
                 idUnico("com.orvo.video") +
                 R"(","app":"Orvo Video.app","version":"2.4","url":"v.zip"}]})");
  t.escribir("datos/ajustes.json", Json{{"fuente", (t / "catalogo").string()},
                                        {"instalarAlCerrar", true},
                                        {"componentes", Json::object()},
                                        {"avisar", Json::object()}}
                                       .dump());
  t.escribir("config/orvo-suite/preferencias.ini", "[Orvo Suite]\nyaAbierta=true\n");
  fs::create_directories(t / "apps");
  auto entorno = entornoDe(t);
  ProcesoPrueba programa(guion(t, "bandeja.sh", entorno));
  auto mapas = [&] {
    return leerArchivo("/proc/" + std::to_string(programa.pid()) + "/maps", 1u << 26).value_or("");
  };
  auto espera = ejecutar("gdbus wait --session --timeout 60 com.orvo.suite 2>&1");
  ASSERT_EQ(espera.estado, 0) << espera.texto << leerArchivo(t / "salida.txt").value_or("");
  auto ajustes = [&] { return leerArchivo(t / "datos/ajustes.json").value_or(""); };
  // Launched, still in the tray.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  ASSERT_EQ(kill(programa.pid(), 0), 0) << leerArchivo(t / "salida.txt").value_or("");
  EXPECT_EQ(mapas().find("webkit"), std::string::npos);
  EXPECT_EQ(ajustes().find("vista:"), std::string::npos);

  auto segundo = ejecutar(entorno + "timeout 30 " ORVO_BINARIO " 2>&1");
  EXPECT_EQ(segundo.estado, 0) << segundo.texto;
  ASSERT_TRUE(esperarQue([&] { return ajustes().find("vista:video") != std::string::npos; }, 60))
      << ajustes() << leerArchivo(t / "salida.txt").value_or("");
  EXPECT_NE(mapas().find("orvo-suite-web.so"), std::string::npos);
  EXPECT_NE(mapas().find("libwebkit2gtk"), std::string::npos);
}

// Moved and resized, the main window keeps its frame through a SIGTERM (a logout), which
// ends the program cleanly; the next launch puts it back there.
TEST(ProgramaConVentanas, ElMarcoMovidoSobreviveAUnSigterm) {
  CarpetaTemporal t;
  fs::create_directories(t / "apps");
  // LeakSanitizer's tracer crashes at the end of any windowed run (the tray alone too): the
  // exit status must be the program's own.
  auto ventana = t.escribir("ventana.sh", "#!/bin/sh\n" + entornoDe(t) +
                                              "export OV_ABRIR=1 ASAN_OPTIONS=\"$ASAN_OPTIONS:"
                                              "detect_leaks=0\"\nexec " ORVO_BINARIO " >>'" +
                                              (t / "salida.txt").string() + "' 2>&1\n");
  fs::permissions(ventana, fs::perms(0755));
  auto ventanaDe = [&](ProcesoPrueba& p) {
    auto r = ejecutar("timeout 60 xdotool search --sync --onlyvisible --pid " +
                      std::to_string(p.pid()) + " --name '^Orvo Suite$' 2>/dev/null");
    // Only the window ids; xdotool's warnings about windows that go away stay out.
    std::istringstream lineas(r.texto);
    for (std::string linea; std::getline(lineas, linea);)
      if (!linea.empty() && linea.find_first_not_of("0123456789") == std::string::npos)
        return linea;
    return std::string();
  };
  auto prefs = [&] { return leerArchivo(t / "config/orvo-suite/preferencias.ini").value_or(""); };
  {
    ProcesoPrueba programa(ventana);
    auto id = ventanaDe(programa);
    ASSERT_FALSE(id.empty()) << leerArchivo(t / "salida.txt").value_or("");
    ASSERT_EQ(
        ejecutar("xdotool windowsize " + id + " 1000 700 windowmove " + id + " 120 90").estado, 0);
    // Saved while the program runs, without the window hiding.
    EXPECT_TRUE(esperarQue(
        [&] { return prefs().find("OrvoSuitePrincipal=120,90,1000,700") != std::string::npos; },
        20))
        << prefs();
    kill(programa.pid(), SIGTERM);
    int estado = programa.esperar();
    EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0)
        << estado << leerArchivo(t / "salida.txt").value_or("");
  }
  ProcesoPrueba otra(ventana);
  auto id = ventanaDe(otra);
  ASSERT_FALSE(id.empty());
  auto geometria = ejecutar("xdotool getwindowgeometry --shell " + id).texto;
  for (const char* linea : {"X=120\n", "Y=90\n", "WIDTH=1000\n", "HEIGHT=700\n"})
    EXPECT_NE(geometria.find(linea), std::string::npos) << geometria;
}

// The launches that show the main window while the first request is on its way: the web
// module then loads on the main thread just as the session thread asks GIO for the
// desktop's proxy, which loads a module too. A first launch already signed in, a later one
// with OV_ABRIR=1, and a tray click as soon as the item is there after a start at login.
TEST(ProgramaConVentanas, LaVentanaSaleAunqueLaPrimeraPeticionCarguePartesDeGio) {
  ServidorPrueba servidor;
  ServicioPrueba servicio(servidor);
  CarpetaTemporal obra;
  auto app = empaquetarApp(obra / "obra", obra / "zips", "prog", "1.0");
  servicio.manifiesto("tok",
                      Json{{"formato", "f"}, {"version", 1}, {"apps", {app.aJson()}}}.dump());
  struct Caso {
    const char* nombre;
    bool yaAbierta, clic;
    const char* preludio;
  };
  for (const auto& [nombre, yaAbierta, clic, preludio] :
       {Caso{"first launch", false, false, ""},
        Caso{"OV_ABRIR=1", true, false, "export OV_ABRIR=1\n"},
        Caso{"tray click at login", true, true, ""}}) {
    SCOPED_TRACE(nombre);
    CarpetaTemporal t;
    servicio.clienteEn(t / "datos", "tok");
    if (yaAbierta)
      t.escribir("config/orvo-suite/preferencias.ini", "[Orvo Suite]\nyaAbierta=true\n");
    fs::create_directories(t / "apps");
    ProcesoPrueba programa(guion(t, "programa.sh", entornoDe(t) + preludio));
    auto salida = [&] { return leerArchivo(t / "salida.txt").value_or(""); };
    if (clic) {
      auto item = "org.kde.StatusNotifierItem-" + std::to_string(programa.pid()) + "-1";
      auto espera = ejecutar("gdbus wait --session --timeout 60 " + item + " 2>&1");
      ASSERT_EQ(espera.estado, 0) << espera.texto << salida();
      auto activar = ejecutar("gdbus call --session --timeout 30 --dest " + item +
                              " --object-path /StatusNotifierItem --method "
                              "org.kde.StatusNotifierItem.Activate 0 0 2>&1");
      ASSERT_EQ(activar.estado, 0) << activar.texto;
    }
    auto ajustes = [&] { return leerArchivo(t / "datos/ajustes.json").value_or(""); };
    EXPECT_TRUE(esperarQue([&] { return ajustes().find("vista:prog") != std::string::npos; }, 90))
        << "the main window never showed the server's apps: the launch is stuck (the web "
           "module's load and another thread's module load wait for each other)\n"
        << ajustes() << salida() << leerArchivo(t / "datos/suite.log").value_or("");
    EXPECT_EQ(kill(programa.pid(), 0), 0);
  }
}
