// Record files as their one writer finds them before a change: a file that cannot be read
// or decoded is never written over; it is kept aside, numbered, and what can still be read
// of it is offered to whoever rebuilds the records.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "comun/archivos.h"
#include "comun/json_estricto.h"

namespace orvo {

template <class T>
struct Examen {
  T valor;              // the decoded file, or the defaults
  bool danado = false;  // something is there that cannot be read (too large too) or decoded
  std::string texto;    // what was read of a damaged file; empty when nothing could be
};

template <class T>
Examen<T> examinar(const std::filesystem::path& ruta, T defecto) {
  Examen<T> x{std::move(defecto)};
  std::error_code e;
  if (!std::filesystem::exists(std::filesystem::symlink_status(ruta, e))) return x;
  auto texto = leerArchivo(ruta);
  auto doc = texto ? decodificar<T>(*texto) : Resultado<T>::fallo("");
  if (doc) {
    x.valor = std::move(doc).valor();
  } else {
    x.danado = true;
    if (texto) x.texto = std::move(*texto);
  }
  return x;
}

// Renames `ruta` to `<name>.danado`, or `.danado.2`, `.danado.3`… when earlier copies are
// there: none is ever overwritten. The copy's path, or why the file could not be kept.
Resultado<std::filesystem::path> apartarDanado(const std::filesystem::path& ruta);

// The elements of the list `clave` of a damaged document that still decode one by one.
template <class T>
std::vector<T> rescatar(std::string_view texto, std::string_view clave) {
  std::vector<T> r;
  auto j = analizarJson(texto);
  if (!j || !j.valor().is_object()) return r;
  auto lista = j.valor().find(clave);
  if (lista == j.valor().end() || !lista->is_array()) return r;
  for (const auto& e : *lista) try {
      r.push_back(leerValor<T>(e, std::string(clave)));
    } catch (const FalloJson&) {
    } catch (const Json::exception&) {
    }
  return r;
}

}  // namespace orvo
