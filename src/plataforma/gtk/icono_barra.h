// The tray icon: the program's mark on a square tile, with the count of updates plus
// notices as a badge in the top right corner. Tray hosts ask for square icons and shrink
// or squash anything else, so it is drawn square at each pixel size a tray uses. The
// tile and the badge are solid colours with white marks: they read on light and dark
// panels alike.
#pragma once

#include <cairo.h>

#include <memory>
#include <string>

namespace orvo::IconoBarra {

struct DestruirSuperficie {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Superficie = std::unique_ptr<cairo_surface_t, DestruirSuperficie>;

// The usual tray icon sizes and their doubles, for trays of scale 2.
inline constexpr int kLados[] = {16, 22, 24, 32, 44, 48, 64, 96};

// What the badge says: nothing below 1, the count up to 9, then "9+" (the tool tip has the
// exact number; two digits would not be legible at 16 pixels).
std::string textoInsignia(int avisos);

// A premultiplied ARGB32 image of `lado` x `lado` pixels.
Superficie pintar(int avisos, int lado);

}  // namespace orvo::IconoBarra
