#include "apoyo/app_prueba.h"

#include <fstream>

#include <gtest/gtest.h>

#include "apoyo/carpeta_temporal.h"
#include "apoyo/ids_prueba.h"
#include "apoyo/ordenes.h"
#include "comun/json_estricto.h"
#include "comun/sha256.h"

namespace orvo::prueba {

namespace fs = std::filesystem;

std::string bundleDePrueba(const std::string& id) { return idUnico("com.orvo.prueba." + id); }

AppRemota empaquetarApp(const fs::path& obraRaiz, const fs::path& destino, const std::string& id,
                        const std::string& version, const std::string& script, bool ejecutable,
                        size_t relleno, int archivos) {
  auto nombre = "Prueba " + id;
  auto identificador = bundleDePrueba(id);
  auto claves = clavesDe(identificador, id);
  claves["CFBundleShortVersionString"] = version;
  auto obra = obraRaiz / id / version;
  fs::remove_all(obra);
  auto bundle = crearBundle(obra, nombre, claves, script);
  if (!ejecutable) fs::permissions(bundle / "Contents/MacOS" / id, fs::perms(0644));
  if (relleno) {
    fs::create_directories(bundle / "Contents/Resources");
    std::ofstream(bundle / "Contents/Resources/relleno.bin", std::ios::binary)
        << bytesAlAzar(relleno);
  }
  for (int i = 0; i < archivos; ++i) {
    auto carpeta = bundle / "Contents/Resources" / std::to_string(i % 10);
    fs::create_directories(carpeta);
    std::ofstream(carpeta / (std::to_string(i) + ".txt")) << id << " " << version << " " << i;
  }
  fs::create_directories(destino);
  auto zip = destino / (id + ".zip");
  fs::remove(zip);
  auto r = ejecutar("cd '" + obra.string() + "' && /usr/bin/zip -qry '" + zip.string() + "' '" +
                    nombre + ".app'");
  EXPECT_EQ(r.estado, 0);
  return {.id = id,
          .nombre = nombre,
          .bundle = identificador,
          .app = nombre + ".app",
          .version = version,
          .url = id + ".zip",
          .tam = static_cast<int64_t>(fs::file_size(zip)),
          .sha256 = sha256(zip)};
}

std::string manifiestoDe(const std::vector<AppRemota>& apps) {
  Json lista = Json::array();
  for (const auto& a : apps) lista.push_back(a.aJson());
  return Json{{"formato", "orvo-suite/1"}, {"version", 1}, {"apps", lista}}.dump();
}

}  // namespace orvo::prueba
