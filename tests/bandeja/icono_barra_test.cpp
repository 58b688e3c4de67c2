#include "plataforma/gtk/icono_barra.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>

#include "apoyo/carpeta_temporal.h"

namespace orvo {
namespace {

using IconoBarra::Superficie;

// The icon as a PNG file says it, read back: what a tray would be given.
struct Png {
  Superficie s;
  int ancho() const { return cairo_image_surface_get_width(s.get()); }
  int alto() const { return cairo_image_surface_get_height(s.get()); }
  // The premultiplied pixel at (x, y) points, for an image of scale `escala`.
  uint32_t pixel(double x, double y, double escala = 2) const {
    auto datos = cairo_image_surface_get_data(s.get());
    int paso = cairo_image_surface_get_stride(s.get());
    return reinterpret_cast<const uint32_t*>(datos + int(y * escala) * paso)[int(x * escala)];
  }
  static int alfa(uint32_t p) { return p >> 24; }
  // The orange of the count (strong red, middling green, little blue) between two columns.
  bool hayNaranja(int desde = 0, int hasta = 1 << 20) const {
    for (int y = 0; y < alto(); ++y)
      for (int x = desde; x < std::min(hasta, ancho()); ++x) {
        uint32_t p = pixel(x, y, 1);
        int a = p >> 24, r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
        if (a > 200 && r > 200 && g > 110 && g < 200 && b < 90) return true;
      }
    return false;
  }
};

class IconoBarraTest : public ::testing::Test {
 protected:
  Png png(int avisos, double escala, bool campanaDibujada = true) {
    auto imagen = IconoBarra::imagen(avisos);
    if (campanaDibujada) imagen.campana = Campana::dibujada();
    auto ruta = carpeta.ruta() / ("icono-" + std::to_string(avisos) + ".png");
    EXPECT_EQ(cairo_surface_write_to_png(imagen.pintar(escala).get(), ruta.c_str()),
              CAIRO_STATUS_SUCCESS);
    return Png{Superficie(cairo_image_surface_create_from_png(ruta.c_str()))};
  }
  static double ancho(int avisos) { return IconoBarra::imagen(avisos).ancho; }
  prueba::CarpetaTemporal carpeta;
};

TEST_F(IconoBarraTest, WidthsFollowTheCountWithDigitsOfEqualWidth) {
  EXPECT_EQ(ancho(0), 44.0);
  EXPECT_EQ(ancho(-3), 44.0);
  double digito = ancho(7) - 47.0;
  EXPECT_GE(digito, 5.0);
  EXPECT_LE(digito, 11.0);
  EXPECT_NEAR(ancho(12) - 47.0, 2 * digito, 1.0);
  EXPECT_NEAR(ancho(1234) - 47.0, 4 * digito, 2.0);
  EXPECT_EQ(ancho(1), ancho(8));
  EXPECT_EQ(ancho(11), ancho(40));
  EXPECT_EQ(ancho(1111), ancho(9999));
  // Fractional scales round the pixel size up.
  for (int avisos : {0, 12}) {
    EXPECT_EQ(png(avisos, 1).ancho(), ancho(avisos)) << avisos;
    EXPECT_EQ(png(avisos, 1).alto(), 20);
    EXPECT_EQ(png(avisos, 1.5).ancho(), std::ceil(1.5 * ancho(avisos)));
    EXPECT_EQ(png(avisos, 1.5).alto(), 30);
  }
}

TEST_F(IconoBarraTest, SampledPixels) {
  Png cero = png(0, 2), siete = png(7, 2);
  for (const Png* p : {&cero, &siete}) {
    // Outside the rounded corner nothing; the faint background; the logo's frame.
    EXPECT_EQ(p->pixel(0.2, 0.2), 0u);
    EXPECT_NEAR(Png::alfa(p->pixel(2, 10)), 0.14 * 255, 2);
    uint32_t fondo = p->pixel(2, 10);
    EXPECT_EQ(fondo, 0x01010101u * Png::alfa(fondo)) << "white, premultiplied";
    EXPECT_GT(Png::alfa(p->pixel(4.5, 10)), 200);
    EXPECT_GT(Png::alfa(p->pixel(9.3, 10)), 200) << "the mark's upright";
    EXPECT_LT(Png::alfa(p->pixel(12, 10)), 60) << "inside the frame, away from the mark";
  }
  // The bell: dimmed without a count, full with one.
  EXPECT_NEAR(Png::alfa(cero.pixel(31.5, 8)), (0.55 + 0.14 * 0.45) * 255, 3);
  EXPECT_NEAR(Png::alfa(siete.pixel(31.5, 8)), (0.85 + 0.14 * 0.15) * 255, 3);
  // The orange count only with a count, and only from x 41.
  EXPECT_FALSE(png(0, 1).hayNaranja());
  EXPECT_TRUE(png(7, 1).hayNaranja());
  EXPECT_TRUE(png(1234, 1).hayNaranja());
  EXPECT_FALSE(png(7, 1).hayNaranja(0, 41));
}

TEST_F(IconoBarraTest, TheBellComesFromTheIconThemeWhenItHasOne) {
  auto datos = carpeta.ruta() / "datos";
  auto casa = carpeta.ruta() / "casa";
  std::filesystem::create_directories(casa);
  setenv("XDG_DATA_HOME", casa.c_str(), 1);
  setenv("XDG_DATA_DIRS", datos.c_str(), 1);
  EXPECT_FALSE(Campana::delTema().delTemaDeIconos());

  // A "bell" that is a plain square fills its whole box, unlike the drawn one.
  carpeta.escribir("datos/icons/hicolor/scalable/status/bell-symbolic.svg",
                   R"(<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16">)"
                   R"(<rect width="16" height="16" fill="#2e3436"/></svg>)");
  auto campana = Campana::delTema();
  ASSERT_TRUE(campana.delTemaDeIconos());
  auto imagen = IconoBarra::imagen(3);
  ASSERT_TRUE(imagen.campana.delTemaDeIconos());
  Png conTema{imagen.pintar(2)};
  double x = (13 - campana.ancho()) / 2 + 25, y = (20 - campana.alto()) / 2;
  EXPECT_GT(Png::alfa(conTema.pixel(x + 0.5, y + 0.5)), 200) << "the square's corner";
  Png dibujada = png(3, 2);
  EXPECT_LT(Png::alfa(dibujada.pixel(x + 0.5, y + 0.5)), 60) << "the drawn bell is round";

  EXPECT_FALSE(Campana::deArchivo(datos / "no-existe.svg"));
  EXPECT_FALSE(Campana::deArchivo(carpeta.escribir("roto.svg", "<svg")));
  unsetenv("XDG_DATA_HOME");
  unsetenv("XDG_DATA_DIRS");
}

}  // namespace
}  // namespace orvo
