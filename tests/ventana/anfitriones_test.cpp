// The tray item and the notifications on the real hosts and servers of a Linux desktop:
// xfce4-panel's tray, dark and then light, shows the whole program's item with its count
// (read from the screen) and its menu after an installation starts; dunst shows a
// notice's text as written, whether it takes markup or not.
#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <pango/pango.h>

#include "apoyo/app_prueba.h"
#include "apoyo/girar.h"
#include "apoyo/ids_prueba.h"
#include "apoyo/ordenes.h"
#include "apoyo/servicio_prueba.h"
#include "comun/archivos.h"
#include "comun/json_estricto.h"
#include "plataforma/gtk/icono_barra.h"
#include "plataforma/gtk/notificaciones_dbus.h"
#include "ventana/sesion.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

using Pantalla = std::unique_ptr<GdkPixbuf, decltype(&g_object_unref)>;
Pantalla captura(int ancho, int alto) {
  return {gdk_pixbuf_get_from_window(gdk_get_default_root_window(), 0, 0, ancho, alto),
          g_object_unref};
}
const guchar* pixel(const Pantalla& p, int x, int y) {
  return gdk_pixbuf_read_pixels(p.get()) + y * gdk_pixbuf_get_rowstride(p.get()) + x * 3;
}

// The icon for `avisos` at each of the item's sizes scaled to 24 px, as a host scales the
// one it picks (xfce4-panel the largest) to its icon size.
std::vector<IconoBarra::Superficie> a24(int avisos) {
  std::vector<IconoBarra::Superficie> iconos;
  for (int lado : IconoBarra::kLados) {
    auto grande = IconoBarra::pintar(avisos, lado);
    iconos.emplace_back(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 24, 24));
    cairo_t* cr = cairo_create(iconos.back().get());
    cairo_scale(cr, 24.0 / lado, 24.0 / lado);
    cairo_set_source_surface(cr, grande.get(), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
  }
  return iconos;
}

// The mean difference per channel between the screen at (x, y) and the best fitting of
// `iconos` laid over the panel's colour (a little before the panel ends).
double diferencia(const Pantalla& p, int x, int y,
                  const std::vector<IconoBarra::Superficie>& iconos) {
  const guchar* fondo = pixel(p, gdk_pixbuf_get_width(p.get()) - 8, y + 12);
  double mejor = 1e9;
  for (const auto& icono : iconos) {
    auto datos = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(icono.get()));
    double suma = 0;
    for (int j = 0; j < 24; ++j)
      for (int i = 0; i < 24; ++i) {
        uint32_t q = datos[j * cairo_image_surface_get_stride(icono.get()) / 4 + i];
        for (int k = 0; k < 3; ++k)
          suma += std::abs(pixel(p, x + i, y + j)[k] - double((q >> (16 - 8 * k)) & 255) -
                           fondo[k] * (255.0 - (q >> 24)) / 255);
      }
    mejor = std::min(mejor, suma / (24 * 24 * 3));
  }
  return mejor;
}

}  // namespace

TEST(Anfitriones, ElPanelDeXfceMuestraLaCuentaYElMenuDeLaInstalacionEnOscuroYEnClaro) {
  ASSERT_TRUE(gdk_init_check(nullptr, nullptr));
  CarpetaTemporal t;
  // An installed app, running, with a newer version in a local catalogue: the count is 1
  // and the update waits for the app to quit.
  auto nueva = empaquetarApp(t / "obra", t / "catalogo", idUnico("bandeja"), "2.0");
  auto instalada = crearBundle(t / "apps", fs::path(nueva.app).stem().string(),
                               clavesDe(nueva.bundle, nueva.id));
  ProcesoPrueba app(instalada / "Contents/MacOS" / nueva.id);
  t.escribir("catalogo/orvo-suite.json", manifiestoDe({nueva}));
  escribirAjustes(t / "datos", (t / "catalogo").string());
  t.escribir("config/orvo-suite/preferencias.ini", "[Orvo Suite]\nyaAbierta=true\n");
  ProcesoPrueba programa(guionDelPrograma(t, "programa.sh"));
  auto menu = [&] {
    return ejecutar("gdbus call --session --timeout 20 --dest org.kde.StatusNotifierItem-" +
                    std::to_string(programa.pid()) +
                    "-1 --object-path /MenuBar --method com.canonical.dbusmenu.GetLayout -- 0 "
                    "-1 '[]' 2>&1")
        .texto;
  };
  ASSERT_TRUE(
      esperarQue([&] { return menu().find("Ver la instalación") != std::string::npos; }, 60))
      << menu() << leerArchivo(t / "datos/suite.log").value_or("");

  const char* capturas = std::getenv("ORVO_CAPTURAS");
  fs::path carpeta = capturas ? capturas : fs::current_path();
  auto uno = a24(1), cero = a24(0), cuatro = a24(4);
  for (bool oscuro : {true, false}) {
    SCOPED_TRACE(oscuro ? "dark panel" : "light panel");
    std::string nombre = oscuro ? "bandeja-oscura" : "bandeja-clara";
    // The panel comes after the program, as at a login where the tray starts late: the
    // settings of panel_xfce.xml (beside the test pages), dark or light, and a settings
    // daemon of its own, so that it reads that folder.
    auto xml = leerArchivo(fs::path(ORVO_PAGINAS).parent_path() / "panel_xfce.xml").value();
    xml.replace(xml.find("@OSCURO@"), 8, oscuro ? "true" : "false");
    t.escribir(nombre + "/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml", xml);
    ProcesoPrueba panel(
        guionDelPrograma(t, nombre + ".sh",
                         "export XDG_CONFIG_HOME='" + (t / nombre).string() +
                             "'\n/usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd &\n",
                         "xfce4-panel --disable-wm-check"));
    int x = 0, y = 0;
    double error = 1e9;
    // Where on the panel the icon with the count 1 fits best.
    ASSERT_TRUE(esperarQue(
        [&] {
          auto vista = captura(320, 28);
          // From the top left of the tile's blue and the badge's red, a few pixels around.
          int x0 = 320, y0 = 28;
          for (int j = 0; j < 28; ++j)
            for (int i = 0; i < 320; ++i)
              if (auto c = pixel(vista, i, j);
                  (c[2] > 200 && c[0] < 100) || (c[0] > 180 && c[1] < 100 && c[2] < 80))
                x0 = std::min(x0, i), y0 = std::min(y0, j);
          for (int j = std::max(0, y0 - 3); j <= std::min(4, y0 + 1); ++j)
            for (int i = std::max(0, x0 - 3); i <= std::min(296, x0 + 1); ++i)
              if (double e = diferencia(vista, i, j, uno); e < error) x = i, y = j, error = e;
          gdk_pixbuf_savev(vista.get(), (carpeta / (nombre + ".png")).c_str(), "png", nullptr,
                           nullptr, nullptr);
          return error < 2;
        },
        30))
        << "no 24 px icon with the count 1 on the panel; best difference " << error;
    // The count is what the pixels say: the icons for no count or for 4 fit far worse.
    auto vista = captura(320, 28);
    EXPECT_GT(diferencia(vista, x, y, cero), 10 * error + 10);
    EXPECT_GT(diferencia(vista, x, y, cuatro), 5 * error + 2);
    // A right click opens the panel's own menu, with the installation's entry.
    ejecutar("xdotool mousemove " + std::to_string(x + 12) + " " + std::to_string(y + 12) +
             " click 3 sleep 0.8");
    gdk_pixbuf_savev(captura(320, 160).get(), (carpeta / (nombre + "-menu.png")).c_str(), "png",
                     nullptr, nullptr, nullptr);
    ejecutar("xdotool key Escape");
  }
  EXPECT_EQ(kill(programa.pid(), 0), 0);
}

// dunst with markup on and then off: the notice's text reaches the screen as written.
TEST(Anfitriones, DunstMuestraElTextoDeUnAvisoTalCual) {
  CarpetaTemporal t;
  NotificacionesDbus notificaciones;
  notificaciones.preparar({});
  const std::string cuerpo = "Mantenimiento <en directo> & <a href=\"https://x.test\">aquí</a>";
  for (const char* marcado : {"full", "no"}) {
    SCOPED_TRACE(marcado);
    t.escribir("dunstrc", std::string("[global]\n    markup = ") + marcado + "\n");
    ProcesoPrueba dunst(
        guionDelPrograma(t, "dunst.sh", "", "dunst -conf '" + (t / "dunstrc").string() + "'"));
    ASSERT_EQ(ejecutar("gdbus wait --session --timeout 20 org.freedesktop.Notifications").estado,
              0);
    notificaciones.mostrar("Hay 1 aviso de Orvo", cuerpo, false);
    std::string mensaje;
    ASSERT_TRUE(esperarQue([&] {
      girarDurante(std::chrono::milliseconds(10));
      ejecutar("dunstctl close-all");
      auto historia = Json::parse(ejecutar("dunstctl history").texto, nullptr, false);
      if (historia.is_discarded() || historia["data"][0].empty()) return false;
      mensaje = historia["data"][0][0]["message"]["data"];
      return true;
    }));
    // What dunst draws: its markup, parsed as Pango parses it.
    char* texto = nullptr;
    ASSERT_TRUE(pango_parse_markup(mensaje.c_str(), -1, 0, nullptr, &texto, nullptr, nullptr))
        << mensaje;
    EXPECT_EQ(std::string(texto), "Hay 1 aviso de Orvo\n" + cuerpo) << mensaje;
    g_free(texto);
    dunst.matar();
    dunst.esperar();
    // Gone from the bus before the next one starts (asking the name itself would start
    // dunst through its bus activation file).
    ASSERT_TRUE(esperarQue([] {
      return ejecutar(
                 "gdbus call --session --dest org.freedesktop.DBus --object-path "
                 "/org/freedesktop/DBus --method org.freedesktop.DBus.NameHasOwner "
                 "org.freedesktop.Notifications")
                 .texto.find("false") != std::string::npos;
    }));
  }
}
