// The installer's download session on libcurl: one thread drives every download, each
// streamed to a file of its own, so memory stays flat whatever the archive's size. A
// download continues from a partial file with "Range" and the server's validator in
// "If-Range"; a server that ignores the range or whose file changed answers with the
// whole file, and the download starts over from byte 0 instead of splicing two files.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include <curl/curl.h>

#include "comun/carpeta_trabajo.h"
#include "plataforma/bucle.h"
#include "plataforma/descargas.h"
#include "plataforma/linux/hilo_curl.h"

namespace orvo {

class DescargasCurl : public Descargas {
 public:
  // Partial files live in a folder of this session's own inside `temporal`, removed with
  // the session.
  DescargasCurl(Bucle& bucle, const std::filesystem::path& temporal);
  ~DescargasCurl() override;
  DescargasCurl(const DescargasCurl&) = delete;
  DescargasCurl& operator=(const DescargasCurl&) = delete;

  void avisar(Avisos avisos) override;
  TareaDescarga iniciar(PeticionHttp peticion, std::optional<DatosRetomar> retomar) override;
  void cancelarRetomando(TareaDescarga tarea,
                         std::function<void(std::optional<DatosRetomar>)> listo) override;
  void cancelar(TareaDescarga tarea) override;
  TareaDescarga pedirTramos(PedidoTramos pedido, std::function<void(int64_t)> avance,
                            std::function<void(RespuestaTramos)> listo) override;

  struct Transferencia;
  struct Tramos;
  struct EnVuelo;

 private:
  // What the posted notices reach on the main thread; gone with the session.
  struct Oyentes {
    Avisos avisos;
  };
  void empezar(TareaDescarga id, PeticionHttp peticion, std::optional<DatosRetomar> retomar,
               int saltos = 0);
  // Follows a redirect that curl stopped at because the request carries a secret.
  void redirigir(const Transferencia& t, const std::string& url);
  void terminar(CURL* easy, CURLcode codigo);
  // Within how many milliseconds the thread must look again: soon while a progress
  // report is held back.
  long vuelta();
  // Takes the transfer off the multi handle; null when it already ended.
  std::unique_ptr<Transferencia> quitar(TareaDescarga id);
  void progreso(Transferencia& t);
  void completada(TareaDescarga id, std::optional<FalloDescarga> fallo);
  // ---- tramos_curl.cpp: ranges ----
  void pedirSiguientes(const std::shared_ptr<Tramos>& t);
  void lanzarTramo(const std::shared_ptr<Tramos>& t, Tramo tramo, PeticionHttp peticion,
                   int saltos);
  // False when `easy` is not one of the ranges' handles.
  bool terminarTramo(CURL* easy, CURLcode codigo);
  // Ends every request of `t` and sends its one answer (none once cancelled).
  void cerrarTramos(Tramos& t, std::optional<std::string> duda);

  Bucle& bucle_;
  std::filesystem::path carpeta_;
  std::unique_ptr<CarpetaOcupada> ocupada_;  // session thread only
  std::shared_ptr<Oyentes> oyentes_ = std::make_shared<Oyentes>();
  std::atomic<TareaDescarga> siguiente_{1};
  // The transfers on the multi handle; session thread only.
  std::map<CURL*, std::unique_ptr<Transferencia>> activas_;
  std::map<TareaDescarga, std::shared_ptr<Tramos>> tramos_;
  std::map<CURL*, std::unique_ptr<EnVuelo>> enVuelo_;
  HiloCurl hilo_;  // last: its thread uses the members above
};

}  // namespace orvo
