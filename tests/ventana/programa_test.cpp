// The whole windowed program on a virtual display and a session bus of the test's own,
// against the test server: first launch, the test sign-in, the page's snapshot, the
// window's identity on the desktop, later launches that hand over to the running instance
// (a skill link installed from the server among them), and the launches that show the
// window while the first request is on its way.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <signal.h>
#include <sys/wait.h>

#include "apoyo/app_prueba.h"
#include "apoyo/bundles_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"
#include "apoyo/servicio_prueba.h"
#include "apoyo/zip_prueba.h"
#include "comun/archivos.h"
#include "comun/sha256.h"
#include "ventana/sesion.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace orvo::prueba {

std::string entornoDe(CarpetaTemporal& t) {
  return "unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY no_proxy "
         "NO_PROXY\nexport HOME='" +
         (t / "casa").string() + "' XDG_CONFIG_HOME='" + (t / "config").string() +
         "' XDG_DATA_HOME='" + (t / "xdg").string() + "' OV_DATOS='" + (t / "datos").string() +
         "' OV_DESTINO='" + (t / "apps").string() + "' OV_SKILLS='" + (t / "skills").string() +
         "' OV_PRUEBA_WEB='" ORVO_PAGINAS "'\n";
}

fs::path guionDelPrograma(CarpetaTemporal& t, const std::string& nombre,
                          const std::string& preludio, const std::string& orden) {
  fs::create_directories(t / "apps");
  auto ruta = t.escribir(nombre, "#!/bin/sh\n" + entornoDe(t) + preludio + "exec " + orden +
                                     " >>'" + (t / "salida.txt").string() + "' 2>&1\n");
  fs::permissions(ruta, fs::perms(0755));
  return ruta;
}

Json publicarSkill(ServidorPrueba& servidor, ServicioPrueba& servicio, const std::string& id,
                   const std::string& version, const Entradas& archivos) {
  auto zip = zipDe(archivos);
  auto url = id + "-" + version + ".zip";
  servidor.publicar("/" + url, ArchivoPrueba{zip});
  Sha256 h;
  h.agregar(zip);
  Json s = {{"id", id},
            {"nombre", id},
            {"version", version},
            {"url", url},
            {"sha256", hex(h.terminar())}};
  servicio.skill(id, Json{{"skill", s}}.dump());
  return s;
}

}  // namespace orvo::prueba

TEST(ProgramaConVentanas, PrimerArranqueEntraMuestraLasAppsYUnSegundoArranqueLePasaElTurno) {
  CarpetaTemporal t;
  ServidorPrueba servidor;
  ServicioPrueba servicio(servidor);
  servicio.usuario("ana@orvo.test", "secreta", "tok-ana");
  auto app = empaquetarApp(t / "obra", t / "zips", "prog", "1.0");
  servicio.manifiesto("tok-ana", manifiestoDe({app}));
  // The skill a link names, and the service's answer about it.
  publicarSkill(servidor, servicio, "resumir", "1.0",
                {{"SKILL.md", "# Resumir\n"}, {"skill.json", R"({"id":"resumir"})"}});
  // An earlier version's autostart entry, which the new one replaces; the theme icon the
  // package installs.
  t.escribir("config/autostart/orvo-suite.desktop", "[Desktop Entry]\nType=Application\n");
  t.escribir("xdg/icons/hicolor/scalable/apps/orvo-suite.svg",
             leer(fs::path(ORVO_PAGINAS) / "../../../packaging/orvo-suite.svg"));
  ProcesoPrueba primero(guionDelPrograma(
      t, "primero.sh", "export OV_PRUEBA_LOGIN='" + servidor.base() + "|ana@orvo.test|secreta'\n"));

  // The first launch shows the main window (its page loads only then), signs in, checks
  // the server and the page gets a snapshot listing the apps.
  auto ajustes = [&] { return leerArchivo(t / "datos/ajustes.json").value_or(""); };
  ASSERT_TRUE(esperarQue([&] { return ajustes().find("vista:prog") != std::string::npos; }, 60))
      << ajustes() << leerArchivo(t / "salida.txt").value_or("");
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

  // A later launch with a skill link reaches the running one and ends; the running one
  // installs the skill from the server.
  auto enlace = ejecutar(entornoDe(t) + "timeout 30 " ORVO_BINARIO
                                        " 'orvosuite://skill/instalar?id=resumir' 2>&1");
  EXPECT_EQ(enlace.estado, 0) << enlace.texto;
  ASSERT_TRUE(esperarQue([&] { return fs::exists(t / "skills/resumir/SKILL.md"); }, 30))
      << leerArchivo(t / "salida.txt").value_or("")
      << leerArchivo(t / "datos/suite.log").value_or("");
  EXPECT_EQ(servidor.peticionesDe("skill_ver").size(), 1u);
  EXPECT_EQ(kill(primero.pid(), 0), 0);  // still running
  EXPECT_EQ(servidor.peticionesDe("login").size(), 1u);
}

// The launches that show the main window while the first request is on its way: the web
// module then loads on the main thread just as the session thread asks GIO for the
// desktop's proxy, which loads a module too (the first launch is the one above). A later
// launch with OV_ABRIR=1, whose window then keeps its moved frame through a SIGTERM (a
// logout) into the next launch; a tray click as soon as the item is there after a start at
// login; and a start that stays in the tray without WebKit in its memory until a later
// launch opens the window.
TEST(ProgramaConVentanas, LaVentanaSaleAunqueLaPrimeraPeticionCarguePartesDeGio) {
  ServidorPrueba servidor;
  ServicioPrueba servicio(servidor);
  CarpetaTemporal obra;
  auto app = empaquetarApp(obra / "obra", obra / "zips", "prog", "1.0");
  servicio.manifiesto("tok", manifiestoDe({app}));
  enum class Abrir { sola, clic, otroArranque };
  for (auto [nombre, abrir] : {std::pair{"OV_ABRIR=1", Abrir::sola},
                               {"tray click at login", Abrir::clic},
                               {"later launch from the tray", Abrir::otroArranque}}) {
    SCOPED_TRACE(nombre);
    CarpetaTemporal t;
    servicio.clienteEn(t / "datos", "tok");
    t.escribir("config/orvo-suite/preferencias.ini", "[Orvo Suite]\nyaAbierta=true\n");
    // LeakSanitizer's tracer crashes at the end of any windowed run (the tray alone too): the
    // exit status after the SIGTERM must be the program's own.
    auto script = guionDelPrograma(t, "programa.sh",
                                   (abrir == Abrir::sola ? "export OV_ABRIR=1 ASAN_OPTIONS="
                                                           "\"$ASAN_OPTIONS:detect_leaks=0\"\n"
                                                         : ""));
    ProcesoPrueba programa(script);
    auto salida = [&] { return leerArchivo(t / "salida.txt").value_or(""); };
    auto ajustes = [&] { return leerArchivo(t / "datos/ajustes.json").value_or(""); };
    auto mapas = [&] {
      return leerArchivo("/proc/" + std::to_string(programa.pid()) + "/maps", 1u << 26)
          .value_or("");
    };
    if (abrir != Abrir::sola) {
      auto item = "org.kde.StatusNotifierItem-" + std::to_string(programa.pid()) + "-1";
      auto espera = ejecutar("gdbus wait --session --timeout 60 " + item + " 2>&1");
      ASSERT_EQ(espera.estado, 0) << espera.texto << salida();
      if (abrir == Abrir::clic) {
        auto activar = ejecutar("gdbus call --session --timeout 30 --dest " + item +
                                " --object-path /StatusNotifierItem --method "
                                "org.kde.StatusNotifierItem.Activate 0 0 2>&1");
        ASSERT_EQ(activar.estado, 0) << activar.texto;
      } else {
        // Launched, still in the tray a while later.
        std::this_thread::sleep_for(std::chrono::seconds(3));
        ASSERT_EQ(kill(programa.pid(), 0), 0) << salida();
        EXPECT_EQ(mapas().find("webkit"), std::string::npos);
        EXPECT_EQ(ajustes().find("vista:"), std::string::npos);
        auto segundo = ejecutar(entornoDe(t) + "timeout 30 " ORVO_BINARIO " 2>&1");
        EXPECT_EQ(segundo.estado, 0) << segundo.texto;
      }
    }
    EXPECT_TRUE(esperarQue([&] { return ajustes().find("vista:prog") != std::string::npos; }, 90))
        << "the main window never showed the server's apps: the launch is stuck (the web "
           "module's load and another thread's module load wait for each other)\n"
        << ajustes() << salida() << leerArchivo(t / "datos/suite.log").value_or("");
    EXPECT_NE(mapas().find("orvo-suite-web.so"), std::string::npos);
    EXPECT_NE(mapas().find("libwebkit2gtk"), std::string::npos);
    if (abrir != Abrir::sola) continue;

    // Moved and resized, the window's frame is saved while the program runs, without the
    // window hiding; a SIGTERM ends the program cleanly, and the next launch puts the
    // window back there.
    auto ventanaDe = [&](ProcesoPrueba& p) {
      // Only the first window id; xdotool's warnings about windows that go away stay out.
      auto r = ejecutar("timeout 60 xdotool search --sync --onlyvisible --pid " +
                        std::to_string(p.pid()) +
                        " --name '^Orvo Suite$' 2>/dev/null | grep -xm1 '[0-9]\\+'");
      return r.texto.substr(0, r.texto.find('\n'));
    };
    auto prefs = [&] { return leerArchivo(t / "config/orvo-suite/preferencias.ini").value_or(""); };
    auto id = ventanaDe(programa);
    ASSERT_FALSE(id.empty()) << salida();
    ASSERT_EQ(
        ejecutar("xdotool windowsize " + id + " 1000 700 windowmove " + id + " 120 90").estado, 0);
    EXPECT_TRUE(esperarQue(
        [&] { return prefs().find("OrvoSuitePrincipal=120,90,1000,700") != std::string::npos; },
        20))
        << prefs();
    kill(programa.pid(), SIGTERM);
    int estado = programa.esperar();
    EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0) << estado << salida();
    ProcesoPrueba otra(script);
    id = ventanaDe(otra);
    ASSERT_FALSE(id.empty()) << salida();
    auto geometria = ejecutar("xdotool getwindowgeometry --shell " + id).texto;
    for (const char* linea : {"X=120\n", "Y=90\n", "WIDTH=1000\n", "HEIGHT=700\n"})
      EXPECT_NE(geometria.find(linea), std::string::npos) << geometria;
  }
}
