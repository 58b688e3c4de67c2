// "Abrir" on an app that runs, under a real window manager (openbox): the window behind
// comes to the front, found by its process and activated through EWMH; an app with no
// window is started again with the display's activation token.
#include <gtest/gtest.h>

#include "apoyo/bundles_prueba.h"
#include "apoyo/ids_prueba.h"
#include "apoyo/ordenes.h"
#include "comun/archivos.h"
#include "plataforma/gtk/aplicacion.h"
#include "plataforma/gtk/frente.h"

using namespace orvo;
using namespace orvo::prueba;

// A desktop app's window, titled with the name of its executable.
constexpr const char* kConVentana =
    "#!/usr/bin/python3\nimport os, gi\ngi.require_version('Gtk', '3.0')\n"
    "from gi.repository import Gtk\nGtk.Window(title=os.path.basename(__file__)).show()\n"
    "Gtk.main()\n";

TEST(AlFrente, LaVentanaDeDetrasPasaDelanteYUnaAppSinVentanaSeAbreConFicha) {
  ASSERT_TRUE(iniciarGtk());
  Escritorio e;
  ProcesoPrueba openbox("/usr/bin/openbox");
  // The window manager's active window, as xdotool numbers windows.
  auto activa = [] {
    auto r = ejecutar("xprop -root _NET_ACTIVE_WINDOW").texto;
    auto i = r.find("# 0x");
    return i == std::string::npos ? "" : std::to_string(std::stoul(r.substr(i + 2), nullptr, 16));
  };
  auto abrir = [&](const std::string& n, const std::string& guion = kConVentana) {
    auto bundle = crearBundle(e.apps, "Orvo " + n, clavesDe(idUnico(n), n), guion);
    auto p = std::make_unique<ProcesoPrueba>(bundle / "Contents/MacOS" / n);
    if (guion != kConVentana) return std::pair(std::move(p), std::string());
    auto r = ejecutar("timeout 30 xdotool search --sync --onlyvisible --name '^" + n + "$'");
    return std::pair(std::move(p), r.texto.substr(0, r.texto.find('\n')));
  };
  ASSERT_TRUE(esperarQue([] {
    return ejecutar("xprop -root _NET_SUPPORTING_WM_CHECK").texto.find("window id") !=
           std::string::npos;
  }));
  auto [primera, vPrimera] = abrir("primera");
  auto [segunda, vSegunda] = abrir("segunda");
  ASSERT_FALSE(vPrimera.empty() || vSegunda.empty());
  ASSERT_TRUE(esperarQue([&] { return activa() == vSegunda; })) << activa();

  e.espacio.usarEscritorio(escritorioGtk());
  auto app = e.espacio.enMarcha(idUnico("primera"));
  ASSERT_EQ(app.size(), 1u);
  EXPECT_EQ(e.espacio.alFrente(app[0]), std::nullopt);
  EXPECT_TRUE(esperarQue([&] { return activa() == vPrimera; })) << activa();

  // No window to raise: started again, with the token in both of its names.
  auto fichas = e.t / "fichas.txt";
  auto sin = abrir("sinventana", "#!/bin/sh\necho $XDG_ACTIVATION_TOKEN $DESKTOP_STARTUP_ID >>'" +
                                     fichas.string() + "'\n" + kScriptQueEspera);
  ASSERT_TRUE(esperarQue([&] { return e.espacio.enMarcha(idUnico("sinventana")).size() == 1; }));
  EXPECT_EQ(e.espacio.alFrente(e.espacio.enMarcha(idUnico("sinventana"))[0]), std::nullopt);
  std::string texto;
  EXPECT_TRUE(esperarQue([&] {
    texto = leerArchivo(fichas).value_or("");
    return texto.find("_TIME") != std::string::npos;
  }));
  // The first start had none; the second the same token twice.
  auto linea = texto.substr(texto.find('\n') + 1);
  auto ficha = linea.substr(0, linea.find(' '));
  EXPECT_EQ(texto, "\n" + ficha + " " + ficha + "\n");
  matarAppsDe(e.t.ruta());
}
