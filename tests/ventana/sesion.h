// The whole program started as a desktop session starts it, in folders of the test's own.
#pragma once

#include <filesystem>
#include <string>

#include "apoyo/carpeta_temporal.h"
#include "apoyo/servicio_prueba.h"
#include "apoyo/zip_prueba.h"
#include "comun/json_estricto.h"

namespace orvo::prueba {

// The shell lines that give a launch folders of the test's own and, as on most desktops, no
// proxy variables: the first request then asks GIO for the desktop's proxy.
std::string entornoDe(CarpetaTemporal& t);

// A script for ProcesoPrueba that runs `orden` in entornoDe(t) after `preludio`, its output
// added to salida.txt; the applications folder is made first.
std::filesystem::path guionDelPrograma(CarpetaTemporal& t, const std::string& nombre,
                                       const std::string& preludio = "",
                                       const std::string& orden = ORVO_BINARIO);

// Release `version` of skill `id`, zipped from `archivos`, published on the server with
// the service's answer about it; returns its entry.
Json publicarSkill(ServidorPrueba& servidor, ServicioPrueba& servicio, const std::string& id,
                   const std::string& version, const Entradas& archivos);

}  // namespace orvo::prueba
