// One installation of one app, from the first byte of its archive to the reopened app:
// its phase, the steps shown to the user, the download's bookkeeping and the timers and
// observer it holds. Shared by reference between the installer, its timers and its
// callbacks; read and written on the main thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogo/fuente.h"
#include "catalogo/registros.h"
#include "comun/carpeta_trabajo.h"
#include "comun/json_estricto.h"
#include "plataforma/bucle.h"
#include "plataforma/descargas.h"

namespace orvo {

enum class Fase {
  corriendo,     // downloading, checking, unpacking, replacing, opening
  esperaCierre,  // an update is ready and waits for the running app to quit
  autorizar,     // the system refused to open the new app; waits for the user
  lista,         // finished successfully
  error,         // failed; `error` holds the message
};

// "corriendo", "esperaCierre", "autorizar", "lista", "error".
const char* textoFase(Fase fase);

class DescargaParcial;

// A registration with the installer's app-change notices (see Instalador::observarApps).
using Observador = uint64_t;

class Instalacion {
 public:
  // `modo`: "instalar", "actualizar", or "volver" (the backup put back; `app` then carries
  // the backup's version). `abierta`: the app was running when the installation started.
  // `propia`: the app is this program. `ahora`: the loop's clock, for the download's marks.
  Instalacion(AppRemota app, std::string modo, bool abierta, bool propia, double ahora);

  struct Muestra {
    double fecha = 0;  // Bucle::ahora() seconds
    int64_t bytes = 0;
  };

  const AppRemota app;
  const std::string modo;  // "instalar", "actualizar" or "volver"
  std::vector<std::string> pasos;
  int paso = 0;    // index in `pasos`; pasos.size() once `lista`
  double pct = 0;  // progress of the current step, 0 to 1
  int64_t bytes = 0;
  int64_t total = 0;  // 0 when unknown
  Fase fase = Fase::corriendo;
  std::optional<std::string> error;
  bool automatica = false;  // started without the user asking; opens its app in the background
  const bool propia;
  std::optional<std::filesystem::path> tmp;  // private working folder
  std::shared_ptr<CarpetaOcupada> ocupada;   // marks `tmp` as this process's
  std::optional<std::filesystem::path> zip;  // the complete archive
  std::optional<Observador> observador;      // while waiting for the app to quit
  std::shared_ptr<Temporizador> sondeo;      // 1 s poll while waiting for the app to quit
  std::shared_ptr<Temporizador> revision;    // the pending 0.5 s re-check of that wait
  std::optional<TareaDescarga> tarea;        // the current download task
  double ultimoAvance;                       // when bytes last arrived
  int reintentos = 0;                        // restarts after stalls and broken transfers
  int cambios = 0;                           // restarts because the download crawled
  std::shared_ptr<Temporizador> vigilante;   // the 2 s download watchdog
  std::optional<Ubicacion> url;              // the archive being downloaded
  double velocidad = 0;                      // smoothed, bytes per second
  Muestra muestra;                           // the last speed sample
  double ultimoAvisoAvance = -std::numeric_limits<double>::infinity();
  std::optional<double> lentaDesde;
  bool cambiando = false;                    // a switch to a new connection is under way
  std::shared_ptr<DescargaParcial> parcial;  // assembling the archive from the kept one
  bool armada = false;  // the archive was assembled that way: a wrong digest means a whole download
  bool noCerro = false;                  // asked to quit and still running 20 s later
  bool noQuedoAbierta = false;           // ended `lista` after three openings that did not last
  bool abrirAlTerminar = true;           // a going back reopens only an app that was open
  std::optional<double> esperaProcesos;  // since when leftover processes are waited for

  // In one of the phases corriendo, esperaCierre, autorizar.
  bool activa() const;
  // The form the pages see.
  Json json() const;
};

}  // namespace orvo
