#include "comun/json_estricto.h"

namespace orvo {

namespace {
// Well past any real manifest's depth; keeps a hostile document from exhausting the stack.
constexpr int kProfundidadMaxima = 64;
}  // namespace

Objeto::Objeto(const Json& j, std::string ruta) : j_(j), ruta_(std::move(ruta)) {
  if (!j_.is_object()) throw FalloJson("«" + ruta_ + "» debe ser un objeto");
}

std::string Objeto::rutaDe(std::string_view clave) const {
  return ruta_ == "documento" ? std::string(clave) : ruta_ + "." + std::string(clave);
}

Resultado<Json> analizarJson(std::string_view texto) {
  bool demasiado = false;
  Json::parser_callback_t cb = [&](int depth, Json::parse_event_t evento, Json&) {
    if ((evento == Json::parse_event_t::object_start ||
         evento == Json::parse_event_t::array_start) &&
        depth >= kProfundidadMaxima)
      demasiado = true;
    return !demasiado;
  };
  Json j;
  try {
    j = Json::parse(texto.begin(), texto.end(), cb, /*allow_exceptions=*/true);
  } catch (const Json::parse_error& e) {
    if (demasiado) return Resultado<Json>::fallo("El documento está anidado demasiado hondo");
    return Resultado<Json>::fallo("El documento no es JSON válido (error cerca del byte " +
                                  std::to_string(e.byte) + ")");
  } catch (const Json::exception&) {
    if (demasiado) return Resultado<Json>::fallo("El documento está anidado demasiado hondo");
    return Resultado<Json>::fallo("El documento no es JSON válido");
  }
  if (demasiado) return Resultado<Json>::fallo("El documento está anidado demasiado hondo");
  return Resultado<Json>::exito(std::move(j));
}

std::string jsonCompacto(const Json& j) {
  return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string jsonBonito(const Json& j) {
  return j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace orvo
