// "Abrir" on an app that runs, under a real window manager (openbox): the window behind
// comes to the front, found by its process and activated through EWMH; an app with no
// window is started again with the display's activation token.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "apoyo/bundles_prueba.h"
#include "apoyo/ids_prueba.h"
#include "apoyo/ordenes.h"
#include "comun/archivos.h"
#include "plataforma/gtk/aplicacion.h"
#include "plataforma/gtk/frente.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

// A desktop app's window, titled with the name of its executable.
constexpr const char* kConVentana =
    "#!/usr/bin/python3\nimport os, gi\ngi.require_version('Gtk', '3.0')\n"
    "from gi.repository import Gtk\nv = Gtk.Window(title=os.path.basename(__file__))\n"
    "v.show_all()\nGtk.main()\n";

// The window manager's active window, as xdotool numbers windows.
std::string activa() {
  auto r = ejecutar("xprop -root _NET_ACTIVE_WINDOW");
  auto i = r.texto.find("# 0x");
  return i == std::string::npos ? ""
                                : std::to_string(std::stoul(r.texto.substr(i + 2), nullptr, 16));
}

}  // namespace

TEST(AlFrente, LaVentanaDeDetrasPasaDelanteYUnaAppSinVentanaSeAbreConFicha) {
  ASSERT_TRUE(iniciarGtk());
  Escritorio e;
  auto wm = e.t.escribir(
      "wm.sh", "#!/bin/sh\nHOME='" + e.t.ruta().string() + "' exec openbox --sm-disable\n");
  fs::permissions(wm, fs::perms(0755));
  ProcesoPrueba openbox(wm);
  ASSERT_TRUE(esperarQue(
      [] {
        return ejecutar("xprop -root _NET_SUPPORTING_WM_CHECK").texto.find("window id") !=
               std::string::npos;
      },
      20));

  std::map<std::string, fs::path> bundles;
  for (const char* n : {"primera", "segunda", "sinventana"})
    bundles[n] =
        crearBundle(e.apps, n, clavesDe(idUnico(n), n),
                    n == std::string("sinventana")
                        ? "#!/bin/sh\necho \"$XDG_ACTIVATION_TOKEN $DESKTOP_STARTUP_ID\" >>'" +
                              (e.t / "fichas.txt").string() + "'\n" + kScriptQueEspera
                        : kConVentana);
  auto abrir = [&](const std::string& n) {
    return std::make_unique<ProcesoPrueba>(bundles[n] / "Contents/MacOS" / n);
  };
  auto ventana = [](const std::string& n) {
    auto r = ejecutar("timeout 30 xdotool search --sync --onlyvisible --name '^" + n + "$'");
    return r.texto.substr(0, r.texto.find('\n'));
  };
  auto primera = abrir("primera");
  auto vPrimera = ventana("primera");
  auto segunda = abrir("segunda");
  auto vSegunda = ventana("segunda");
  ASSERT_FALSE(vPrimera.empty() || vSegunda.empty());
  ASSERT_TRUE(esperarQue([&] { return activa() == vSegunda; })) << activa();

  e.espacio.usarEscritorio(escritorioGtk());
  auto app = e.espacio.enMarcha(idUnico("primera"));
  ASSERT_EQ(app.size(), 1u);
  EXPECT_EQ(e.espacio.alFrente(app[0]), std::nullopt);
  EXPECT_TRUE(esperarQue([&] { return activa() == vPrimera; })) << activa();

  // No window to raise: started again, with the token in both of its names.
  auto sin = abrir("sinventana");
  ASSERT_TRUE(esperarQue([&] { return e.espacio.enMarcha(idUnico("sinventana")).size() == 1; }));
  EXPECT_EQ(e.espacio.alFrente(e.espacio.enMarcha(idUnico("sinventana"))[0]), std::nullopt);
  std::string lineas;
  ASSERT_TRUE(esperarQue([&] {
    lineas = leerArchivo(e.t / "fichas.txt").value_or("");
    return std::count(lineas.begin(), lineas.end(), '\n') == 2;
  })) << lineas;
  std::istringstream segunda_vez(lineas.substr(lineas.find('\n') + 1));
  std::string wayland, x11;
  segunda_vez >> wayland >> x11;
  EXPECT_NE(wayland.find("_TIME"), std::string::npos) << lineas;
  EXPECT_EQ(wayland, x11);
  matarAppsDe(e.t.ruta());
}
