#include "comun/zip_directorio.h"

namespace orvo {

namespace {

constexpr uint32_t kFin = 0x06054b50, kLocalizador64 = 0x07064b50, kFin64 = 0x06064b50;
constexpr uint32_t kCentral = 0x02014b50, kLocal = 0x04034b50;

uint64_t le(std::string_view b, size_t en, int n) {
  uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[en + i]);
  return v;
}

template <class T>
Resultado<T> malo(const std::string& por) {
  return Resultado<T>::fallo("el índice del zip no se entiende (" + por + ")");
}

// The ZIP64 record the locator at `en` points to, when it lies inside `cola`.
Resultado<FinDirectorio> fin64(std::string_view cola, uint64_t base, size_t en) {
  using R = Resultado<FinDirectorio>;
  if (en < 20 || le(cola, en - 20, 4) != kLocalizador64) return malo<FinDirectorio>("sin ZIP64");
  uint64_t registro = le(cola, en - 20 + 8, 8);
  if (registro < base || registro - base + 56 > en - 20)
    return malo<FinDirectorio>("registro ZIP64 fuera de la cola");
  size_t r = registro - base;
  if (le(cola, r, 4) != kFin64 || le(cola, r + 16, 4) != 0 || le(cola, r + 20, 4) != 0)
    return malo<FinDirectorio>("registro ZIP64");
  FinDirectorio f{le(cola, r + 48, 8), le(cola, r + 40, 8), le(cola, r + 32, 8)};
  if (f.inicio > registro || f.largo != registro - f.inicio)
    return malo<FinDirectorio>("directorio fuera de sitio");
  return R::exito(f);
}

}  // namespace

Resultado<FinDirectorio> leerFinDirectorio(std::string_view cola, uint64_t total) {
  using R = Resultado<FinDirectorio>;
  if (cola.size() < 22 || cola.size() > total) return malo<FinDirectorio>("archivo corto");
  uint64_t base = total - cola.size();
  // The last record whose comment runs exactly to the end of the file.
  for (size_t en = cola.size() - 22 + 1; en-- > 0;) {
    if (le(cola, en, 4) != kFin || en + 22 + le(cola, en + 20, 2) != cola.size()) continue;
    if (le(cola, en + 4, 2) != 0 || le(cola, en + 6, 2) != 0)
      return malo<FinDirectorio>("varios discos");
    FinDirectorio f{le(cola, en + 16, 4), le(cola, en + 12, 4), le(cola, en + 10, 2)};
    if (f.entradas == 0xFFFF || f.largo == 0xFFFFFFFF || f.inicio == 0xFFFFFFFF)
      return fin64(cola, base, en);
    if (f.inicio + f.largo != base + en) return malo<FinDirectorio>("directorio fuera de sitio");
    return R::exito(f);
  }
  return malo<FinDirectorio>("sin fin de directorio");
}

Resultado<std::vector<EntradaDirectorio>> leerDirectorio(std::string_view b,
                                                         const FinDirectorio& fin) {
  using V = std::vector<EntradaDirectorio>;
  if (b.size() != fin.largo) return malo<V>("directorio incompleto");
  V entradas;
  size_t en = 0;
  while (en < b.size()) {
    if (b.size() - en < 46 || le(b, en, 4) != kCentral) return malo<V>("entrada");
    EntradaDirectorio e;
    e.banderas = le(b, en + 8, 2);
    e.metodo = le(b, en + 10, 2);
    e.hora = le(b, en + 12, 2);
    e.fecha = le(b, en + 14, 2);
    e.crc = le(b, en + 16, 4);
    e.comprimido = le(b, en + 20, 4);
    e.tam = le(b, en + 24, 4);
    size_t nombre = le(b, en + 28, 2), extra = le(b, en + 30, 2), comentario = le(b, en + 32, 2);
    e.local = le(b, en + 42, 4);
    if (b.size() - en - 46 < nombre + extra + comentario) return malo<V>("entrada cortada");
    e.nombre = std::string(b.substr(en + 46, nombre));
    // ZIP64 sizes and offset, in this order, for the fields that overflowed.
    std::string_view x = b.substr(en + 46 + nombre, extra);
    for (size_t i = 0; i + 4 <= x.size();) {
      size_t id = le(x, i, 2), n = le(x, i + 2, 2);
      if (x.size() - i - 4 < n) return malo<V>("campo extra");
      if (id == 1) {
        size_t j = i + 4;
        for (uint64_t* campo : {&e.tam, &e.comprimido, &e.local}) {
          if (*campo != 0xFFFFFFFF) continue;
          if (j + 8 > i + 4 + n) return malo<V>("ZIP64 corto");
          *campo = le(x, j, 8);
          j += 8;
        }
      }
      i += 4 + n;
    }
    if (e.tam == 0xFFFFFFFF || e.comprimido == 0xFFFFFFFF || e.local == 0xFFFFFFFF)
      return malo<V>("ZIP64 ausente");
    if (e.local >= fin.inicio || e.comprimido > fin.inicio)
      return malo<V>("entrada fuera del archivo");
    entradas.push_back(std::move(e));
    en += 46 + nombre + extra + comentario;
  }
  if (entradas.size() != fin.entradas) return malo<V>("cuenta de entradas");
  return Resultado<V>::exito(std::move(entradas));
}

Resultado<uint64_t> largoCabeceraLocal(std::string_view c) {
  if (c.size() < 30 || le(c, 0, 4) != kLocal) return malo<uint64_t>("cabecera local");
  return Resultado<uint64_t>::exito(30 + le(c, 26, 2) + le(c, 28, 2));
}

}  // namespace orvo
