#include "apoyo/pedir_http.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>

namespace orvo::prueba {

RespuestaHttp pedirYEsperar(Http& http, PeticionHttp peticion,
                            const std::filesystem::path& destino) {
  auto promesa = std::make_shared<std::promise<RespuestaHttp>>();
  auto futuro = promesa->get_future();
  auto listo = [promesa](RespuestaHttp r) { promesa->set_value(std::move(r)); };
  if (destino.empty())
    http.enviar(std::move(peticion), listo);
  else
    http.descargar(std::move(peticion), destino, listo);
  if (futuro.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    ADD_FAILURE() << "sin respuesta";
    return {};
  }
  return futuro.get();
}

}  // namespace orvo::prueba
