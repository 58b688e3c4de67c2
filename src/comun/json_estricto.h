// Strict decoding of JSON records in one place: required keys, types and null are
// checked here, with a Spanish description of what failed and where.
#pragma once

#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include <nlohmann/json.hpp>

#include "comun/resultado.h"

namespace orvo {

using Json = nlohmann::json;

// Thrown only inside decoding and caught by `decodificar`; never leaves this module's callers.
struct FalloJson : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Objeto;

template <class T>
concept Decodificable = requires(const Objeto& o, const T& t) {
  { T::desdeJson(o) } -> std::same_as<T>;
  { t.aJson() } -> std::same_as<Json>;
};

// One JSON object being decoded, with its place in the document for messages.
class Objeto {
 public:
  Objeto(const Json& j, std::string ruta);

  template <class T>
  T req(std::string_view clave) const;
  // Absent or null: nullopt. Wrong type: fails the record.
  template <class T>
  std::optional<T> opt(std::string_view clave) const;

  const Json& json() const { return j_; }
  const std::string& ruta() const { return ruta_; }

 private:
  std::string rutaDe(std::string_view clave) const;
  const Json& j_;
  std::string ruta_;
};

namespace detalle {
template <class T>
struct EsVector : std::false_type {};
template <class T>
struct EsVector<std::vector<T>> : std::true_type {};
template <class T>
struct EsMapa : std::false_type {};
template <class T>
struct EsMapa<std::map<std::string, T>> : std::true_type {};
}  // namespace detalle

// Decodes `j` as T; `ruta` names where it stands ("apps[2].url").
template <class T>
T leerValor(const Json& j, const std::string& ruta) {
  if (j.is_null()) throw FalloJson("«" + ruta + "» es null");
  if constexpr (std::is_same_v<T, std::string>) {
    if (!j.is_string()) throw FalloJson("«" + ruta + "» debe ser un texto");
    return j.get<std::string>();
  } else if constexpr (std::is_same_v<T, bool>) {
    if (!j.is_boolean()) throw FalloJson("«" + ruta + "» debe ser verdadero o falso");
    return j.get<bool>();
  } else if constexpr (std::is_same_v<T, int64_t>) {
    // Writers may print a whole number as 1.5e9 or 2.0: its value is what counts.
    if (j.is_number_float()) {
      double d = j.get<double>();
      if (d != std::trunc(d) || !(d >= -0x1p63 && d < 0x1p63))
        throw FalloJson("«" + ruta + "» debe ser un número entero");
      return static_cast<int64_t>(d);
    }
    if (!j.is_number_integer()) throw FalloJson("«" + ruta + "» debe ser un número entero");
    if (j.is_number_unsigned() && j.get<uint64_t>() > uint64_t(INT64_MAX))
      throw FalloJson("«" + ruta + "» es un número demasiado grande");
    return j.get<int64_t>();
  } else if constexpr (std::is_same_v<T, double>) {
    if (!j.is_number()) throw FalloJson("«" + ruta + "» debe ser un número");
    return j.get<double>();
  } else if constexpr (detalle::EsVector<T>::value) {
    if (!j.is_array()) throw FalloJson("«" + ruta + "» debe ser una lista");
    T lista;
    lista.reserve(j.size());
    for (size_t i = 0; i < j.size(); ++i)
      lista.push_back(
          leerValor<typename T::value_type>(j[i], ruta + "[" + std::to_string(i) + "]"));
    return lista;
  } else if constexpr (detalle::EsMapa<T>::value) {
    if (!j.is_object()) throw FalloJson("«" + ruta + "» debe ser un objeto");
    T mapa;
    for (auto it = j.begin(); it != j.end(); ++it)
      mapa.emplace(it.key(), leerValor<typename T::mapped_type>(it.value(), ruta + "." + it.key()));
    return mapa;
  } else {
    static_assert(Decodificable<T>, "tipo sin decodificación");
    return T::desdeJson(Objeto(j, ruta));
  }
}

template <class T>
T Objeto::req(std::string_view clave) const {
  auto it = j_.find(clave);
  if (it == j_.end()) throw FalloJson("falta la clave «" + rutaDe(clave) + "»");
  return leerValor<T>(*it, rutaDe(clave));
}

template <class T>
std::optional<T> Objeto::opt(std::string_view clave) const {
  auto it = j_.find(clave);
  if (it == j_.end() || it->is_null()) return std::nullopt;
  return leerValor<T>(*it, rutaDe(clave));
}

// Encoding: records through aJson, containers element by element.
template <class T>
Json aValor(const T& v) {
  if constexpr (Decodificable<T>) {
    return v.aJson();
  } else if constexpr (detalle::EsVector<T>::value) {
    Json a = Json::array();
    for (const auto& e : v) a.push_back(aValor(e));
    return a;
  } else if constexpr (detalle::EsMapa<T>::value) {
    Json o = Json::object();
    for (const auto& [k, e] : v) o[k] = aValor(e);
    return o;
  } else {
    return Json(v);
  }
}

// Builds a record's object, leaving absent optionals out.
class Escritor {
 public:
  template <class T>
  Escritor& poner(const std::string& clave, const T& v) {
    j_[clave] = aValor(v);
    return *this;
  }
  template <class T>
  Escritor& poner(const std::string& clave, const std::optional<T>& v) {
    if (v) j_[clave] = aValor(*v);
    return *this;
  }
  Json json() const { return j_; }

 private:
  Json j_ = Json::object();
};

// Parses bounded JSON text. Deeply nested input is refused rather than risk the stack.
Resultado<Json> analizarJson(std::string_view texto);

// Parses and decodes a whole document as T.
template <class T>
Resultado<T> decodificar(std::string_view texto) {
  auto j = analizarJson(texto);
  if (!j) return Resultado<T>::fallo(j.error());
  try {
    return Resultado<T>::exito(leerValor<T>(j.valor(), "documento"));
  } catch (const FalloJson& e) {
    return Resultado<T>::fallo(std::string("El documento no es válido: ") + e.what());
  } catch (const Json::exception&) {
    return Resultado<T>::fallo("El documento no es válido: un valor no tiene el tipo esperado");
  }
}

// Compact text; invalid UTF-8 in strings is replaced rather than thrown.
std::string jsonCompacto(const Json& j);
// Pretty text with sorted keys (nlohmann objects are sorted maps) and a final line feed.
std::string jsonBonito(const Json& j);

}  // namespace orvo
