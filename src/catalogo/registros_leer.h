#pragma once

#include "comun/archivos.h"

namespace orvo {

template <class T>
T leerDocumento(const std::filesystem::path& ruta, T defecto) {
  auto texto = leerArchivo(ruta);
  if (!texto) return defecto;
  auto r = decodificar<T>(*texto);
  return r ? std::move(r).valor() : defecto;
}

}  // namespace orvo
