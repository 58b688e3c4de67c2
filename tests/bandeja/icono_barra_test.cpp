// The tray icon at the sizes trays use: square, the tile alone without news, the badge in
// the top right corner with it, its digits drawn in white on the red.
#include "plataforma/gtk/icono_barra.h"

#include <gtest/gtest.h>

namespace orvo {
namespace {

struct Pixeles {
  IconoBarra::Superficie s;
  uint32_t operator()(int x, int y) const {
    auto datos = cairo_image_surface_get_data(s.get());
    return reinterpret_cast<const uint32_t*>(datos +
                                             y * cairo_image_surface_get_stride(s.get()))[x];
  }
  // Opaque pixels near red (the badge) and near white (the mark, the digits) in a box.
  std::pair<int, int> rojosYBlancos(int x0, int y0, int x1, int y1) const {
    int rojos = 0, blancos = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        uint32_t p = (*this)(x, y);
        int a = p >> 24, r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
        rojos += a == 255 && r > 200 && g < 90 && b < 60;
        blancos += a == 255 && r > 230 && g > 230 && b > 230;
      }
    return {rojos, blancos};
  }
};

TEST(IconoBarra, CuadradoConLaInsigniaEnLaEsquinaLegibleA16) {
  EXPECT_EQ(IconoBarra::textoInsignia(0), "");
  EXPECT_EQ(IconoBarra::textoInsignia(-2), "");
  EXPECT_EQ(IconoBarra::textoInsignia(7), "7");
  EXPECT_EQ(IconoBarra::textoInsignia(10), "9+");
  for (int lado : IconoBarra::kLados) {
    Pixeles sin{IconoBarra::pintar(0, lado)}, con{IconoBarra::pintar(3, lado)};
    EXPECT_EQ(cairo_image_surface_get_width(con.s.get()), lado);
    EXPECT_EQ(cairo_image_surface_get_height(con.s.get()), lado);
    EXPECT_EQ(sin(0, 0), 0u) << "outside the tile's rounded corner";
    EXPECT_EQ(sin(lado / 2, lado - 1 - lado / 8) >> 24, 255u) << "the tile";
    int mitad = lado / 2;
    EXPECT_EQ(sin.rojosYBlancos(mitad, 0, lado, mitad).first, 0) << lado;
    auto [rojos, blancos] = con.rojosYBlancos(mitad, 0, lado, mitad);
    EXPECT_GT(rojos, lado * lado / 12) << lado;
    EXPECT_GT(blancos, lado * lado / 64) << "the digit, " << lado;
    EXPECT_EQ(con.rojosYBlancos(0, mitad + lado / 8, lado, lado).first, 0) << "badge at the top";
  }
  // At 16 px each digit still has a shape of its own.
  auto a16 = [](int n) { return Pixeles{IconoBarra::pintar(n, 16)}.rojosYBlancos(6, 0, 16, 10); };
  EXPECT_NE(a16(1).second, a16(8).second);
  EXPECT_NE(a16(8).second, a16(10).second);
}

}  // namespace
}  // namespace orvo
