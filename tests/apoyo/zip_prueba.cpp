#include "apoyo/zip_prueba.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "apoyo/carpeta_temporal.h"
#include "comun/json_estricto.h"

namespace orvo::prueba {

std::string zipDe(const Entradas& entradas) {
  CarpetaTemporal t;
  Json lista = Json::array();
  for (const auto& [nombre, datos] : entradas) {
    bool enlace = datos.starts_with(kEnlaceA);
    auto ruta = t.escribir("datos/" + std::to_string(lista.size()),
                           enlace ? datos.substr(kEnlaceA.size()) : datos);
    lista.push_back({nombre, ruta.string(), enlace});
  }
  t.escribir("lista.json", lista.dump());
  std::string orden =
      "/usr/bin/python3 -c 'import json, stat, sys, zipfile\n"
      "z = zipfile.ZipFile(sys.argv[2], \"w\")\n"
      "for n, p, enlace in json.load(open(sys.argv[1])):\n"
      "    if not enlace: z.write(p, n); continue\n"
      "    i = zipfile.ZipInfo(n); i.create_system = 3\n"
      "    i.external_attr = (stat.S_IFLNK | 0o777) << 16\n"
      "    z.writestr(i, open(p).read())\n"
      "z.close()' '" +
      (t / "lista.json").string() + "' '" + (t / "s.zip").string() + "'";
  EXPECT_EQ(std::system(orden.c_str()), 0);
  return leer(t / "s.zip");
}

}  // namespace orvo::prueba
