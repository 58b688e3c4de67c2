#include "apoyo/zip_prueba.h"

#include <sys/stat.h>
#include <zlib.h>

#include <fstream>
#include <map>

#include "apoyo/carpeta_temporal.h"

namespace orvo::prueba {

namespace {

// Little-endian fields, as every zip header has them.
struct Campos {
  std::string s;
  Campos& operator()(uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i));
    return *this;
  }
};

// "ceros": `megas` MB of zeros deflated as they stream, never held whole.
std::string ceros(int megas, uint32_t& crc, uint64_t& total) {
  const std::string mega(1 << 20, '\0');
  std::string salida(1 << 16, '\0'), r;
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  for (int i = 0; i <= megas; ++i) {
    if (i < megas) crc = crc32(crc, reinterpret_cast<const Bytef*>(mega.data()), mega.size());
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(mega.data()));
    z.avail_in = i < megas ? mega.size() : 0;
    total += z.avail_in;
    do {
      z.next_out = reinterpret_cast<Bytef*>(salida.data());
      z.avail_out = salida.size();
      deflate(&z, i < megas ? Z_NO_FLUSH : Z_FINISH);
      r.append(salida.data(), salida.size() - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  return r;
}

}  // namespace

// Stored entries, zip64 sizes in every header; "ceros" entries deflated.
std::string hacerZip(const std::filesystem::path& zip, const std::vector<EntradaZip>& entradas) {
  static const std::map<std::string, int> kTipos = {{"archivo", S_IFREG},
                                                    {"ceros", S_IFREG},
                                                    {"carpeta", S_IFDIR},
                                                    {"enlace", S_IFLNK},
                                                    {"dispositivo", S_IFCHR}};
  Campos z, central;
  for (const auto& e : entradas) {
    uint32_t crc = 0;
    uint64_t total = 0, inicio = z.s.size();
    bool comprimida = e.tipo == "ceros";
    auto datos = comprimida ? ceros(std::stoi(e.datos), crc, total) : e.datos;
    if (!comprimida) {
      crc = crc32(0, reinterpret_cast<const Bytef*>(datos.data()), datos.size());
      total = datos.size();
    }
    crc ^= e.crcMalo ? 1 : 0;
    if (e.declarado >= 0) total = static_cast<uint64_t>(e.declarado);
    const int metodo = comprimida ? 8 : 0;
    z(0x04034b50, 4)(45, 2)(0, 2)(metodo, 2)(0, 2)(0x21, 2)(crc, 4)(0xFFFFFFFF, 4)(0xFFFFFFFF, 4);
    z(e.nombre.size(), 2)(20, 2).s += e.nombre;
    z(1, 2)(16, 2)(total, 8)(datos.size(), 8).s += datos;
    central(0x02014b50, 4)(0x031e, 2)(45, 2)(0, 2)(metodo, 2)(0, 2)(0x21, 2)(crc, 4);
    central(0xFFFFFFFF, 4)(0xFFFFFFFF, 4)(e.nombre.size(), 2)(28, 2)(0, 2)(0, 2)(0, 2);
    central(uint64_t(kTipos.at(e.tipo) | e.modo) << 16, 4)(0xFFFFFFFF, 4).s += e.nombre;
    central(1, 2)(24, 2)(total, 8)(datos.size(), 8)(inicio, 8);
  }
  auto donde = z.s.size();
  z.s += central.s;
  z(0x06054b50, 4)(0, 2)(0, 2)(entradas.size(), 2)(entradas.size(), 2)(central.s.size(), 4);
  z(donde, 4)(0, 2);
  std::filesystem::create_directories(zip.parent_path());
  std::ofstream(zip, std::ios::binary) << z.s;
  return z.s;
}

std::string zipDe(const Entradas& entradas) {
  std::vector<EntradaZip> lista;
  for (const auto& [nombre, datos] : entradas) {
    if (datos.starts_with(kEnlaceA))
      lista.push_back({nombre, "enlace", datos.substr(kEnlaceA.size()), 0777});
    else
      lista.push_back({nombre, "archivo", datos});
  }
  CarpetaTemporal t;
  return hacerZip(t / "s.zip", lista);
}

}  // namespace orvo::prueba
