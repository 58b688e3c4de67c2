// A new archive assembled from the one kept last time plus ranges of the new one: its
// end of central directory, its directory, then whatever the plan says differs. Any doubt
// ends it with a reason, and the caller downloads the whole archive instead.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "comun/zip_directorio.h"
#include "instalador/plan_parcial.h"
#include "plataforma/bucle.h"
#include "plataforma/descargas.h"

namespace orvo {

class DescargaParcial : public std::enable_shared_from_this<DescargaParcial> {
 public:
  struct Fin {
    std::optional<std::string> duda;  // why it gave up, in Spanish
    int64_t pedidos = 0;              // bytes that came over the network
    int64_t total = 0;                // the archive's size
  };
  // Both on the main thread: the bytes of the archive in place so far, and the end.
  using Avance = std::function<void(int64_t bytes, int64_t total)>;
  using Listo = std::function<void(Fin)>;

  // More than this share of the archive to fetch: the whole download is simpler.
  static constexpr double kTopeParcial = 0.6;

  DescargaParcial(Bucle& bucle, Descargas& sesion, PeticionHttp peticion,
                  std::filesystem::path guardado, std::filesystem::path destino, Avance avance,
                  Listo listo);
  // Main thread; owners keep it in a shared_ptr. Nothing is told after `cancelar`.
  void comenzar();
  void cancelar();

 private:
  void pedir(std::vector<Tramo> tramos, std::function<void(RespuestaTramos)> luego);
  void conCola();
  void conDirectorio();
  // The copies that waited for their data descriptors, once the ranges are in.
  void conDescriptores(std::shared_ptr<std::vector<Copia>> copias);
  void acabar(std::optional<std::string> duda);
  // Runs `trabajo` on the worker pool and `luego` with its result on the main thread.
  template <class T>
  void aparte(std::function<T()> trabajo, std::function<void(T)> luego);

  Bucle& bucle_;
  Descargas& sesion_;
  PeticionHttp peticion_;
  std::filesystem::path guardado_, destino_;
  Avance avance_;
  Listo listo_;
  std::optional<TareaDescarga> tarea_;
  std::shared_ptr<const ZipGuardado> copia_;
  FinDirectorio fin_;
  int64_t total_ = -1, enSitio_ = 0, pedidos_ = 0, yaEsta_ = 0;
  std::string validador_;
};

}  // namespace orvo
