// A small real app, bundled and zipped as the vendor publishes one, with its manifest
// entry.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "apoyo/bundles_prueba.h"
#include "apoyo/ids_prueba.h"
#include "catalogo/registros.h"

namespace orvo::prueba {

// The bundle identifier of the test app `id`: "com.orvo.prueba.<id>", unique to this process.
std::string bundleDePrueba(const std::string& id);

// Makes "Prueba <id>.app" (identifier `bundleDePrueba(id)`, executable `script`, mode
// 0755 unless `ejecutable` is false) in `obra`, zips it to `destino` / "<id>.zip", and returns its
// manifest entry with digest and size. `relleno` random bytes in a resource make the archive about
// that big. `archivos` small resources whose text names the version make a bundle that a half-done
// copy or delete cannot pass for whole.
AppRemota empaquetarApp(const std::filesystem::path& obra, const std::filesystem::path& destino,
                        const std::string& id, const std::string& version,
                        const std::string& script = kScriptQueEspera, bool ejecutable = true,
                        size_t relleno = 0, int archivos = 0);
// orvo-suite.json publishing `apps`.
std::string manifiestoDe(const std::vector<AppRemota>& apps);

}  // namespace orvo::prueba
