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
#include "comun/archivos.h"
#include "comun/json_estricto.h"
#include "plataforma/gtk/icono_barra.h"
#include "plataforma/gtk/notificaciones_dbus.h"

using namespace orvo;
using namespace orvo::prueba;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// A script for ProcesoPrueba: `cuerpo` with its output in `salida`.
fs::path guion(CarpetaTemporal& t, const std::string& nombre, const std::string& cuerpo) {
  auto ruta = t.escribir(
      nombre, "#!/bin/sh\nexec >'" + (t / (nombre + ".txt")).string() + "' 2>&1\n" + cuerpo);
  fs::permissions(ruta, fs::perms(0755));
  return ruta;
}

// xfce4-panel with the settings of panel_xfce.xml, dark or light.
std::unique_ptr<ProcesoPrueba> panel(CarpetaTemporal& t, bool oscuro) {
  std::string nombre = oscuro ? "panel-oscuro" : "panel-claro";
  auto xml = leerArchivo(fs::path(ORVO_PAGINAS).parent_path() / "panel_xfce.xml").value();
  xml.replace(xml.find("@OSCURO@"), 8, oscuro ? "true" : "false");
  t.escribir(nombre + "/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml", xml);
  // Its settings daemon is started here, so that it reads this folder.
  return std::make_unique<ProcesoPrueba>(
      guion(t, nombre + ".sh",
            "export XDG_CONFIG_HOME='" + (t / nombre).string() +
                "'\n/usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd &\n"
                "exec xfce4-panel --disable-wm-check\n"));
}

struct Captura {
  GdkPixbuf* pb;
  explicit Captura(int ancho, int alto)
      : pb(gdk_pixbuf_get_from_window(gdk_get_default_root_window(), 0, 0, ancho, alto)) {}
  ~Captura() { g_object_unref(pb); }
  const guchar* pixel(int x, int y) const {
    return gdk_pixbuf_read_pixels(pb) + y * gdk_pixbuf_get_rowstride(pb) +
           x * gdk_pixbuf_get_n_channels(pb);
  }
  void guardar(const fs::path& ruta) const {
    gdk_pixbuf_savev(pb, ruta.c_str(), "png", nullptr, nullptr, nullptr);
  }
};

// The mean difference per channel between the screen at (x, y) and the icon for `avisos`
// laid over the panel's colour `fondo` at 24 px: the host takes one of the item's sizes
// (xfce4-panel the largest) and scales it to its icon size. The best fitting size counts.
double diferencia(const Captura& c, int x, int y, int avisos, const guchar* fondo) {
  double mejor = 1e9;
  for (int lado : IconoBarra::kLados) {
    auto grande = IconoBarra::pintar(avisos, lado);
    IconoBarra::Superficie icono(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 24, 24));
    cairo_t* cr = cairo_create(icono.get());
    cairo_scale(cr, 24.0 / lado, 24.0 / lado);
    cairo_set_source_surface(cr, grande.get(), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(icono.get());
    const unsigned char* datos = cairo_image_surface_get_data(icono.get());
    int paso = cairo_image_surface_get_stride(icono.get());
    double suma = 0;
    for (int j = 0; j < 24; ++j)
      for (int i = 0; i < 24; ++i) {
        uint32_t p = reinterpret_cast<const uint32_t*>(datos + j * paso)[i];
        unsigned a = p >> 24;
        const guchar* visto = c.pixel(x + i, y + j);
        for (int k = 0; k < 3; ++k)
          suma += std::abs(visto[k] - (((p >> (16 - 8 * k)) & 255) + fondo[k] * (255.0 - a) / 255));
      }
    mejor = std::min(mejor, suma / (24 * 24 * 3));
  }
  return mejor;
}

struct Hallado {
  int x = -1, y = -1;
  double error = 1e9;
};

// Where on the panel strip the icon with that count sits best, looking around the tile's
// blue and the badge's red.
Hallado buscarIcono(const Captura& c, int ancho, int alto, int avisos, const guchar* fondo) {
  int x0 = ancho, y0 = alto;
  for (int y = 0; y < alto; ++y)
    for (int x = 0; x < ancho; ++x) {
      const guchar* p = c.pixel(x, y);
      bool azul = std::abs(p[0] - 0x3b) < 30 && std::abs(p[1] - 0x82) < 30 && p[2] > 200;
      bool rojo = p[0] > 180 && p[1] < 100 && p[2] < 80;
      if (azul || rojo) x0 = std::min(x0, x), y0 = std::min(y0, y);
    }
  Hallado mejor;
  for (int y = std::max(0, y0 - 3); y <= std::min(alto - 24, y0 + 1); ++y)
    for (int x = std::max(0, x0 - 3); x <= std::min(ancho - 24, x0 + 1); ++x)
      if (double e = diferencia(c, x, y, avisos, fondo); e < mejor.error) mejor = {x, y, e};
  return mejor;
}

std::string menuDe(pid_t programa) {
  return ejecutar("gdbus call --session --timeout 20 --dest org.kde.StatusNotifierItem-" +
                  std::to_string(programa) +
                  "-1 --object-path /MenuBar --method com.canonical.dbusmenu.GetLayout -- 0 -1 "
                  "'[]' 2>&1")
      .texto;
}

fs::path carpetaCapturas() {
  const char* c = std::getenv("ORVO_CAPTURAS");
  return c ? fs::path(c) : fs::current_path();
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
  t.escribir("catalogo/orvo-suite.json",
             Json{{"formato", "f"}, {"version", 1}, {"apps", {nueva.aJson()}}}.dump());
  t.escribir("datos/ajustes.json", Json{{"fuente", (t / "catalogo").string()},
                                        {"instalarAlCerrar", true},
                                        {"componentes", Json::object()},
                                        {"avisar", Json::object()}}
                                       .dump());
  t.escribir("config/orvo-suite/preferencias.ini", "[Orvo Suite]\nyaAbierta=true\n");
  ProcesoPrueba programa(guion(t, "programa.sh",
                               "export HOME='" + (t / "casa").string() + "' XDG_CONFIG_HOME='" +
                                   (t / "config").string() + "' XDG_DATA_HOME='" +
                                   (t / "xdg").string() + "' OV_DATOS='" + (t / "datos").string() +
                                   "' OV_DESTINO='" + (t / "apps").string() +
                                   "' OV_PRUEBA_WEB='" ORVO_PAGINAS "'\nexec " ORVO_BINARIO "\n"));
  auto registro = [&] {
    return leerArchivo(t / "programa.sh.txt").value_or("") +
           leerArchivo(t / "datos/suite.log").value_or("");
  };
  ASSERT_EQ(ejecutar("gdbus wait --session --timeout 60 com.orvo.suite").estado, 0) << registro();
  ASSERT_TRUE(esperarQue(
      [&] { return menuDe(programa.pid()).find("Ver la instalación") != std::string::npos; }, 60))
      << menuDe(programa.pid()) << registro();

  constexpr int kAncho = 320, kAlto = 28;
  for (bool oscuro : {true, false}) {
    SCOPED_TRACE(oscuro ? "dark panel" : "light panel");
    // The panel comes after the program, as at a login where the tray starts late.
    auto host = panel(t, oscuro);
    Hallado icono;
    std::unique_ptr<Captura> vista;
    bool visto = esperarQue(
        [&] {
          girarDurante(10ms);
          vista = std::make_unique<Captura>(kAncho, kAlto);
          icono = buscarIcono(*vista, kAncho, kAlto, 1, vista->pixel(kAncho - 4, kAlto / 2));
          return icono.error < 2;
        },
        30);
    vista->guardar(carpetaCapturas() / (oscuro ? "bandeja-oscura.png" : "bandeja-clara.png"));
    ASSERT_TRUE(visto)
        << "no 24 px icon with the count 1 on the panel; best difference " << icono.error << " at "
        << icono.x << "," << icono.y << "\n"
        << leerArchivo(t / (oscuro ? "panel-oscuro.sh.txt" : "panel-claro.sh.txt")).value_or("");
    // The count is what the pixels say: the icons for no count or another one fit worse.
    const guchar* fondo = vista->pixel(kAncho - 4, kAlto / 2);
    EXPECT_GT(diferencia(*vista, icono.x, icono.y, 0, fondo), 10 * icono.error + 10);
    EXPECT_GT(diferencia(*vista, icono.x, icono.y, 4, fondo), 5 * icono.error + 2);

    // A right click opens the panel's own menu, with the installation's entry.
    ejecutar("xdotool mousemove " + std::to_string(icono.x + 12) + " " +
             std::to_string(icono.y + 12) + " click 3");
    girarDurante(800ms);
    Captura(kAncho, 160)
        .guardar(carpetaCapturas() /
                 (oscuro ? "bandeja-oscura-menu.png" : "bandeja-clara-menu.png"));
    ejecutar("xdotool key Escape");
    host.reset();
  }
  EXPECT_EQ(kill(programa.pid(), 0), 0) << registro();
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
        guion(t, "dunst.sh", "exec dunst -conf '" + (t / "dunstrc").string() + "'\n"));
    ASSERT_EQ(ejecutar("gdbus wait --session --timeout 20 org.freedesktop.Notifications").estado,
              0);
    notificaciones.mostrar("Hay 1 aviso de Orvo", cuerpo, false);
    std::string mensaje;
    ASSERT_TRUE(esperarQue(
        [&] {
          girarDurante(20ms);
          ejecutar("dunstctl close-all");
          auto historia = Json::parse(ejecutar("dunstctl history").texto, nullptr, false);
          if (historia.is_discarded() || historia["data"][0].empty()) return false;
          mensaje = historia["data"][0][0]["message"]["data"];
          return true;
        },
        10));
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
