#include "instalador/plan_parcial.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace orvo {

namespace fs = std::filesystem;

namespace {

struct Descriptor {
  int fd;
  explicit Descriptor(const fs::path& ruta, int modo)
      : fd(::open(ruta.c_str(), modo | O_CLOEXEC)) {}
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

bool leerTodo(int fd, char* a, uint64_t n, uint64_t en) {
  while (n > 0) {
    ssize_t r = ::pread(fd, a, n, static_cast<off_t>(en));
    if (r <= 0) return false;
    a += r, n -= r, en += r;
  }
  return true;
}

// The spans of a directory's entries: each from its local header to the next one.
Resultado<std::vector<uint64_t>> fines(const std::vector<EntradaDirectorio>& e,
                                       uint64_t inicioDir) {
  std::vector<size_t> orden(e.size());
  for (size_t i = 0; i < orden.size(); ++i) orden[i] = i;
  std::sort(orden.begin(), orden.end(),
            [&](size_t a, size_t b) { return e[a].local < e[b].local; });
  std::vector<uint64_t> f(e.size());
  for (size_t k = 0; k < orden.size(); ++k) {
    uint64_t fin = k + 1 < orden.size() ? e[orden[k + 1]].local : inicioDir;
    const auto& x = e[orden[k]];
    if (fin < x.local + 30 + x.nombre.size() + x.comprimido)
      return Resultado<std::vector<uint64_t>>::fallo("dos entradas del zip se pisan");
    f[orden[k]] = fin;
  }
  return Resultado<std::vector<uint64_t>>::exito(std::move(f));
}

bool mismaEntrada(const EntradaDirectorio& a, const EntradaDirectorio& b) {
  return a.nombre == b.nombre && a.crc == b.crc && a.comprimido == b.comprimido && a.tam == b.tam &&
         a.metodo == b.metodo && a.banderas == b.banderas;
}

}  // namespace

Resultado<std::string> leerTrozo(const fs::path& ruta, uint64_t desde, uint64_t largo) {
  Descriptor d(ruta, O_RDONLY);
  std::string b(largo, '\0');
  if (d.fd < 0 || !leerTodo(d.fd, b.data(), largo, desde))
    return Resultado<std::string>::fallo("no pude leer " + ruta.filename().string());
  return Resultado<std::string>::exito(std::move(b));
}

Resultado<ZipGuardado> leerGuardado(const fs::path& ruta) {
  using R = Resultado<ZipGuardado>;
  std::error_code e;
  uint64_t total = fs::file_size(ruta, e);
  if (e) return R::fallo("no hay copia guardada legible");
  uint64_t n = std::min(total, kColaZip);
  auto cola = leerTrozo(ruta, total - n, n);
  if (!cola) return R::fallo(cola.error());
  auto fin = leerFinDirectorio(cola.valor(), total);
  if (!fin) return R::fallo("la copia guardada: " + fin.error());
  auto dir = leerTrozo(ruta, fin.valor().inicio, fin.valor().largo);
  if (!dir) return R::fallo(dir.error());
  auto entradas = leerDirectorio(dir.valor(), fin.valor());
  if (!entradas) return R::fallo("la copia guardada: " + entradas.error());
  auto f = fines(entradas.valor(), fin.valor().inicio);
  if (!f) return R::fallo("la copia guardada: " + f.error());
  ZipGuardado g{std::move(entradas).valor(), {}, std::move(f).valor(), {}, total};
  Descriptor d(ruta, O_RDONLY);
  // Each entry's local header must name it, and its data must fit before the next one.
  for (size_t i = 0; i < g.entradas.size(); ++i) {
    const auto& x = g.entradas[i];
    std::string cab(30 + x.nombre.size(), '\0');
    if (d.fd < 0 || !leerTodo(d.fd, cab.data(), cab.size(), x.local))
      return R::fallo("la copia guardada está cortada");
    auto largo = largoCabeceraLocal(cab);
    if (!largo || cab.substr(30) != x.nombre || x.local + largo.valor() + x.comprimido > g.fines[i])
      return R::fallo("la copia guardada no coincide con su índice");
    g.datos.push_back(x.local + largo.valor());
    // Extra fields other than ZIP64 sizes (times, owners) may differ in the new build.
    std::string extra(largo.valor() - cab.size(), '\0');
    if (!leerTodo(d.fd, extra.data(), extra.size(), x.local + cab.size()))
      return R::fallo("la copia guardada está cortada");
    bool fija = true;
    for (size_t k = 0; k + 4 <= extra.size();
         k += 4 + (uint8_t(extra[k + 2]) | uint8_t(extra[k + 3]) << 8))
      fija = fija && extra[k] == 1 && extra[k + 1] == 0;
    g.cabeceraFija.push_back(fija);
  }
  return R::exito(std::move(g));
}

Resultado<PlanParcial> planear(const std::vector<EntradaDirectorio>& nuevo,
                               const FinDirectorio& fin, uint64_t total, uint64_t yaEsta,
                               const ZipGuardado& guardado) {
  using R = Resultado<PlanParcial>;
  if (yaEsta > fin.inicio || fin.inicio + fin.largo > total)
    return R::fallo("el índice del zip nuevo no cuadra");
  auto f = fines(nuevo, fin.inicio);
  if (!f) return R::fallo(f.error());
  std::map<std::string_view, size_t> porNombre;
  for (size_t i = 0; i < guardado.entradas.size(); ++i)
    porNombre.emplace(guardado.entradas[i].nombre, i);

  PlanParcial plan;
  for (size_t i = 0; i < nuevo.size(); ++i) {
    const auto& x = nuevo[i];
    auto k = porNombre.find(x.nombre);
    if (k == porNombre.end() || !mismaEntrada(x, guardado.entradas[k->second])) continue;
    size_t j = k->second;
    const auto& g = guardado.entradas[j];
    uint64_t fin = f.valor()[i], largo = fin - x.local;
    uint64_t cabecera = x.local + 30 + x.nombre.size();
    bool cabe32 = x.comprimido < 0xFFFFFFFF && x.tam < 0xFFFFFFFF;
    if (guardado.cabeceraFija[j] && g.hora == x.hora && g.fecha == x.fecha &&
        guardado.fines[j] - g.local == largo) {
      // A header with nothing but name and fields the directory repeats is taken too.
      plan.copias.push_back({g.local, x.local, largo});
    } else if (!(x.banderas & 8)) {
      // The data ends the span, so only the header travels.
      plan.copias.push_back({guardado.datos[j], fin - x.comprimido, x.comprimido});
    } else if (cabe32 && x.comprimido > 4 && fin >= cabecera + x.comprimido + 16) {
      // A data descriptor of 12 or 16 bytes follows the data: the bytes both lengths agree
      // are data stay put now, the rest is settled once the descriptor is here.
      plan.copias.push_back({guardado.datos[j], fin - x.comprimido - 12, x.comprimido - 4, fin,
                             x.crc, x.comprimido, x.tam});
    }
  }
  std::sort(plan.copias.begin(), plan.copias.end(),
            [](const Copia& a, const Copia& b) { return a.hacia < b.hacia; });
  // What is neither copied nor at hand is fetched; copies in a gap too short to be worth a
  // round trip between two requests are fetched with them.
  std::vector<Tramo> crudo;
  uint64_t cursor = 0;
  for (const auto& c : plan.copias) {
    if (c.hacia > cursor)
      crudo.push_back({static_cast<int64_t>(cursor), static_cast<int64_t>(c.hacia)});
    cursor = c.hacia + c.largo;
  }
  if (yaEsta > cursor)
    crudo.push_back({static_cast<int64_t>(cursor), static_cast<int64_t>(yaEsta)});
  for (const auto& t : crudo) {
    if (!plan.pedir.empty() &&
        t.desde - plan.pedir.back().hasta < static_cast<int64_t>(kHuecoMinimo))
      plan.pedir.back().hasta = t.hasta;
    else
      plan.pedir.push_back(t);
  }
  std::erase_if(plan.copias, [&](const Copia& c) {
    auto t = std::upper_bound(
        plan.pedir.begin(), plan.pedir.end(), c.hacia,
        [](uint64_t v, const Tramo& x) { return v < static_cast<uint64_t>(x.desde); });
    return t != plan.pedir.begin() && static_cast<uint64_t>(std::prev(t)->hasta) > c.hacia;
  });
  for (const auto& t : plan.pedir) plan.aPedir += t.hasta - t.desde;
  for (const auto& c : plan.copias) plan.copiados += c.fin ? c.comprimido : c.largo;
  return R::exito(std::move(plan));
}

Error resolverDescriptores(const fs::path& destino, std::vector<Copia>& copias) {
  Descriptor d(destino, O_RDONLY);
  for (auto& c : copias) {
    if (!c.fin) continue;
    std::string b(16, '\0');
    if (d.fd < 0 || !leerTodo(d.fd, b.data(), 16, c.fin - 16)) return "no pude leer lo recibido";
    auto le32 = [&](size_t en) {
      return uint32_t(uint8_t(b[en])) | uint32_t(uint8_t(b[en + 1])) << 8 |
             uint32_t(uint8_t(b[en + 2])) << 16 | uint32_t(uint8_t(b[en + 3])) << 24;
    };
    // Both lengths put CRC-32 and sizes in the last 12 bytes; the longer one is signed.
    if (le32(4) != c.crc || le32(8) != c.comprimido || le32(12) != c.tam)
      return "un descriptor de datos no coincide con el índice";
    uint64_t descriptor = le32(0) == 0x08074b50 ? 16 : 12;
    c = {c.desde, c.fin - descriptor - c.comprimido, c.comprimido};
  }
  return std::nullopt;
}

Error copiarGuardados(const fs::path& guardado, const fs::path& destino,
                      const std::vector<Copia>& copias) {
  Descriptor de(guardado, O_RDONLY), a(destino, O_WRONLY);
  if (de.fd < 0 || a.fd < 0) return "no pude abrir la copia guardada";
  std::vector<char> b(1 << 20);
  for (const auto& c : copias) {
    if (c.fin) continue;
    for (uint64_t hecho = 0; hecho < c.largo;) {
      uint64_t n = std::min<uint64_t>(b.size(), c.largo - hecho);
      if (!leerTodo(de.fd, b.data(), n, c.desde + hecho)) return "no pude leer la copia guardada";
      for (uint64_t w = 0; w < n;) {
        ssize_t r = ::pwrite(a.fd, b.data() + w, n - w, static_cast<off_t>(c.hacia + hecho + w));
        if (r <= 0) return errno == ENOSPC ? "no queda espacio en el disco" : "no pude escribir";
        w += r;
      }
      hecho += n;
    }
  }
  return std::nullopt;
}

}  // namespace orvo
