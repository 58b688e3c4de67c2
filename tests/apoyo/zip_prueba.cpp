#include "apoyo/zip_prueba.h"

#include <gtest/gtest.h>

#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"
#include "comun/json_estricto.h"

namespace orvo::prueba {

namespace {

// Stored entries, zip64 sizes in every header; "ceros" entries deflated in a stream.
const char* kEscritor = R"(
import json, stat, struct, sys, zlib
TIPOS = {'archivo': stat.S_IFREG, 'ceros': stat.S_IFREG, 'carpeta': stat.S_IFDIR,
         'enlace': stat.S_IFLNK, 'dispositivo': stat.S_IFCHR}
central = []
with open(sys.argv[2], 'wb') as z:
    entradas = json.load(open(sys.argv[1]))
    for e in entradas:
        nombre, inicio = e['nombre'].encode(), z.tell()
        z.write(bytes(30 + len(nombre) + 20))
        crc, usado, total = 0, 0, 0
        ceros = e['tipo'] == 'ceros'
        comp = zlib.compressobj(9, zlib.DEFLATED, -15)
        for t in [bytes(1 << 20)] * int(e['datos']) if ceros else [e['datos'].encode('latin-1')]:
            crc, total = zlib.crc32(t, crc), total + len(t)
            c = comp.compress(t) if ceros else t
            z.write(c)
            usado += len(c)
        if ceros:
            c = comp.flush()
            z.write(c)
            usado += len(c)
        crc ^= 1 if e['crcMalo'] else 0
        total = total if e['declarado'] < 0 else e['declarado']
        metodo = 8 if ceros else 0
        fin = z.tell()
        z.seek(inicio)
        z.write(struct.pack('<IHHHHHIIIHH', 0x04034b50, 45, 0, metodo, 0, 0x21, crc,
                            0xFFFFFFFF, 0xFFFFFFFF, len(nombre), 20) + nombre +
                struct.pack('<HHQQ', 1, 16, total, usado))
        z.seek(fin)
        modo = TIPOS[e['tipo']] | e['modo']
        central.append(struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 0x031e, 45, 0, metodo, 0,
                               0x21, crc, 0xFFFFFFFF, 0xFFFFFFFF, len(nombre), 28, 0, 0, 0,
                               modo << 16, 0xFFFFFFFF) + nombre + \
                   struct.pack('<HHQQQ', 1, 24, total, usado, inicio))
    donde, central = z.tell(), b''.join(central)
    z.write(central + struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, len(entradas), len(entradas),
                                  len(central), donde, 0))
)";

// Any bytes through JSON: each byte one code point, which latin-1 turns back into the byte.
std::string comoLatin1(const std::string& bytes) {
  std::string r;
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      r += static_cast<char>(c);
    } else {
      r += static_cast<char>(0xC0 | (c >> 6));
      r += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return r;
}

}  // namespace

std::string hacerZip(const std::filesystem::path& zip, const std::vector<EntradaZip>& entradas) {
  CarpetaTemporal t;
  Json lista = Json::array();
  for (const auto& e : entradas)
    lista.push_back({{"nombre", e.nombre},
                     {"tipo", e.tipo},
                     {"datos", comoLatin1(e.datos)},
                     {"modo", e.modo},
                     {"declarado", e.declarado},
                     {"crcMalo", e.crcMalo}});
  auto lista_json = t.escribir("entradas.json", lista.dump());
  auto escritor = t.escribir("escribir.py", kEscritor);
  std::filesystem::create_directories(zip.parent_path());
  auto r = ejecutar("/usr/bin/python3 '" + escritor.string() + "' '" + lista_json.string() + "' '" +
                    zip.string() + "' 2>&1");
  EXPECT_EQ(r.estado, 0) << r.texto;
  return leer(zip);
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
