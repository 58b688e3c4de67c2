#include "apoyo/app_prueba.h"

#include <fstream>
#include <random>

#include <gtest/gtest.h>

#include "apoyo/ids_prueba.h"
#include "apoyo/ordenes.h"
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
    std::mt19937 g(7);
    std::string datos(relleno, '\0');
    for (auto& c : datos) c = static_cast<char>(g());
    fs::create_directories(bundle / "Contents/Resources");
    std::ofstream(bundle / "Contents/Resources/relleno.bin", std::ios::binary) << datos;
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
  AppRemota app;
  app.id = id;
  app.nombre = nombre;
  app.bundle = identificador;
  app.app = nombre + ".app";
  app.version = version;
  app.url = id + ".zip";
  app.sha256 = sha256(zip);
  app.tam = static_cast<int64_t>(fs::file_size(zip));
  return app;
}

}  // namespace orvo::prueba
