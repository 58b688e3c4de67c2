// A real HTTP server on 127.0.0.1 that plays the vendor's service for the tests: the
// api.php actions, archive downloads with ranges, throttling, stalls and dropped
// connections. Every request is recorded so tests can check what the program sent.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
}

namespace orvo::prueba {

struct PeticionRecibida {
  std::string metodo;
  std::string ruta;    // without the query
  std::string accion;  // the value of ?a= for api.php
  std::multimap<std::string, std::string> cabeceras;
  std::string cuerpo;
  std::string cabecera(const std::string& nombre) const;
};

struct RespuestaPrueba {
  int estado = 200;
  std::string cuerpo;
  std::string tipo = "application/json";
  std::vector<std::pair<std::string, std::string>> cabeceras;  // more headers to answer with
};

// A 302 to `destino`.
inline RespuestaPrueba redirigir(const std::string& destino) {
  return {302, "", "text/plain", {{"Location", destino}}};
}

struct ArchivoPrueba {
  std::string datos;
  bool aceptaRangos = true;    // false: answers 200 with the whole file to any Range
  size_t bytesPorSegundo = 0;  // 0: as fast as the loopback goes
  size_t cortarTras = 0;       // drop the connection after this many bytes of a response
  int cortesRestantes = 0;     // how many responses are cut that way
  size_t detenerTras = 0;      // stop sending (keep the connection open) after this many bytes
  int detencionesRestantes = 0;
  std::string etag;
  int etagTras = 0;  // from the request after this many, the ETag is `etagLuego`
  std::string etagLuego;
  bool soloPrimerRango = false;  // a multi-range request gets its first range only
  bool sinFin = false;           // chunked, without a length, repeating the data for ever
  std::shared_ptr<std::atomic<uint64_t>> enviados;  // when set, counts every byte sent
};

class ServidorPrueba {
 public:
  using Manejador = std::function<RespuestaPrueba(const PeticionRecibida&)>;

  ServidorPrueba();
  ~ServidorPrueba();
  ServidorPrueba(const ServidorPrueba&) = delete;
  ServidorPrueba& operator=(const ServidorPrueba&) = delete;

  int puerto() const { return puerto_; }
  // "http://127.0.0.1:PORT/"
  std::string base() const;

  void alAccion(const std::string& accion, Manejador m);
  // Answers GET, HEAD and POST on `ruta` (the path without the query), before published files.
  void alRuta(const std::string& ruta, Manejador m);
  void publicar(const std::string& ruta, ArchivoPrueba archivo);
  std::vector<PeticionRecibida> peticiones() const;
  std::vector<PeticionRecibida> peticionesDe(const std::string& accion) const;

 private:
  void anotar(PeticionRecibida p);

  std::unique_ptr<httplib::Server> srv_;
  std::thread hilo_;
  int puerto_ = 0;
  std::atomic<bool> cerrando_{false};
  mutable std::mutex m_;
  std::map<std::string, Manejador> acciones_;
  std::map<std::string, Manejador> rutas_;
  std::map<std::string, std::shared_ptr<ArchivoPrueba>> archivos_;
  std::vector<PeticionRecibida> registro_;
};

}  // namespace orvo::prueba
