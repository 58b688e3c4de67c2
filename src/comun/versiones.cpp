#include "comun/versiones.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace orvo {

namespace {

struct Rango {
  char32_t desde, hasta;
};

// Code points whose Unicode numeric type is decimal, digit or numeric (Nd, No, Nl),
// for the scripts a version text could plausibly hold. They split nothing: they join
// the run they stand in, and a run that is not plain ASCII digits is then dropped.
constexpr Rango kNumericos[] = {
    {0x30, 0x39},       {0xB2, 0xB3},       {0xB9, 0xB9},       {0xBC, 0xBE},
    {0x660, 0x669},     {0x6F0, 0x6F9},     {0x7C0, 0x7C9},     {0x966, 0x96F},
    {0x9E6, 0x9EF},     {0x9F4, 0x9F9},     {0xA66, 0xA6F},     {0xAE6, 0xAEF},
    {0xB66, 0xB6F},     {0xB72, 0xB77},     {0xBE6, 0xBF2},     {0xC66, 0xC6F},
    {0xC78, 0xC7E},     {0xCE6, 0xCEF},     {0xD58, 0xD5E},     {0xD66, 0xD78},
    {0xDE6, 0xDEF},     {0xE50, 0xE59},     {0xED0, 0xED9},     {0xF20, 0xF33},
    {0x1040, 0x1049},   {0x1090, 0x1099},   {0x1369, 0x137C},   {0x16EE, 0x16F0},
    {0x17E0, 0x17E9},   {0x17F0, 0x17F9},   {0x1810, 0x1819},   {0x1946, 0x194F},
    {0x19D0, 0x19DA},   {0x1A80, 0x1A89},   {0x1A90, 0x1A99},   {0x1B50, 0x1B59},
    {0x1BB0, 0x1BB9},   {0x1C40, 0x1C49},   {0x1C50, 0x1C59},   {0x2070, 0x2070},
    {0x2074, 0x2079},   {0x2080, 0x2089},   {0x2150, 0x2182},   {0x2185, 0x2189},
    {0x2460, 0x249B},   {0x24EA, 0x24FF},   {0x2776, 0x2793},   {0x2CFD, 0x2CFD},
    {0x3007, 0x3007},   {0x3021, 0x3029},   {0x3038, 0x303A},   {0x3192, 0x3195},
    {0x3220, 0x3229},   {0x3248, 0x324F},   {0x3251, 0x325F},   {0x3280, 0x3289},
    {0x32B1, 0x32BF},   {0xA620, 0xA629},   {0xA6E6, 0xA6EF},   {0xA830, 0xA835},
    {0xA8D0, 0xA8D9},   {0xA900, 0xA909},   {0xA9D0, 0xA9D9},   {0xA9F0, 0xA9F9},
    {0xAA50, 0xAA59},   {0xABF0, 0xABF9},   {0xFF10, 0xFF19},   {0x10107, 0x10133},
    {0x104A0, 0x104A9}, {0x1D7CE, 0x1D7FF}, {0x1F100, 0x1F10C},
};

bool esNumerico(char32_t c) {
  auto it = std::upper_bound(std::begin(kNumericos), std::end(kNumericos), c,
                             [](char32_t v, const Rango& r) { return v < r.desde; });
  return it != std::begin(kNumericos) && c <= std::prev(it)->hasta;
}

// Decodes one UTF-8 code point; malformed bytes come back as U+FFFD (a separator).
char32_t siguiente(std::string_view s, size_t& i) {
  unsigned char b = static_cast<unsigned char>(s[i]);
  int largo = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
  if (largo == 0 || i + largo > s.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t c = largo == 1 ? b : b & (0x7F >> largo);
  for (int k = 1; k < largo; ++k) {
    unsigned char cont = static_cast<unsigned char>(s[i + k]);
    if ((cont >> 6) != 2) {
      ++i;
      return 0xFFFD;
    }
    c = (c << 6) | (cont & 0x3F);
  }
  i += largo;
  return c;
}

std::vector<int64_t> partes(std::string_view texto) {
  std::vector<int64_t> resultado;
  std::string corrida;
  bool enCorrida = false;
  auto cerrar = [&] {
    if (!enCorrida) return;
    int64_t v = 0;
    auto [fin, ec] = std::from_chars(corrida.data(), corrida.data() + corrida.size(), v);
    // Only plain ASCII digits that fit in 64 bits make a part; others are dropped.
    if (ec == std::errc() && fin == corrida.data() + corrida.size()) resultado.push_back(v);
    corrida.clear();
    enCorrida = false;
  };
  for (size_t i = 0; i < texto.size();) {
    size_t inicio = i;
    char32_t c = siguiente(texto, i);
    if (esNumerico(c)) {
      corrida.append(texto.substr(inicio, i - inicio));
      enCorrida = true;
    } else {
      cerrar();
    }
  }
  cerrar();
  return resultado;
}

}  // namespace

int compararVersiones(std::string_view a, std::string_view b) {
  auto pa = partes(a), pb = partes(b);
  for (size_t i = 0; i < std::max(pa.size(), pb.size()); ++i) {
    int64_t x = i < pa.size() ? pa[i] : 0, y = i < pb.size() ? pb[i] : 0;
    if (x != y) return x > y ? 1 : -1;
  }
  return 0;
}

}  // namespace orvo
