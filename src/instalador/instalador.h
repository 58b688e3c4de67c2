// The installer: every installation the program knows, at most one active per app, and
// the work that takes each from download to reopened app. Main thread only.
//
// Where each part lives:
//   instalador.cpp   the object itself, lookups, fallar, limpiar, the app-change observers
//   descarga.cpp     comenzar and the download engine (session notices, watchdog, local copy)
//   parcial.cpp      updates fetched as ranges from the archive kept last time; keeping it
//   verificar.cpp    descargado and descomprimir: digest check and unpacking
//   esperar_cierre.cpp  waiting for the running app to quit, cerrarApp
//   reemplazar.cpp   the swap with its backup and the administrator fallback, registration
//   volver.cpp       going back to the backup's version
//   abrir.cpp        opening and checking the new app, autorizada, terminar, reabrirme
//   controles.cpp    cancelar, descartar
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogo/bundle_valido.h"
#include "catalogo/catalogo.h"
#include "instalador/instalacion.h"
#include "plataforma/plataforma.h"

namespace orvo {

class Instalador {
 public:
  // Registers for the download session's notices; no network, no files.
  Instalador(Plataforma& plataforma, Catalogo& catalogo);
  ~Instalador();
  Instalador(const Instalador&) = delete;
  Instalador& operator=(const Instalador&) = delete;
  static Instalador& shared();

  // In the order they were started; finished and failed ones stay until discarded.
  std::vector<std::shared_ptr<Instalacion>> todas;
  // After every visible change of an installation.
  std::function<void(const Instalacion&)> alCambiar;
  // Once, when an installation ends in `lista`, after its last `alCambiar`.
  std::function<void(const Instalacion&)> alTerminar;
  // Ends the program, 0.3 s after its own update is in place and its restart arranged.
  std::function<void()> terminarPrograma;

  // The installation to show: the first corriendo or autorizar, else the first
  // esperaCierre, else the last one; null when there is none.
  std::shared_ptr<Instalacion> actual() const;
  // The active installation of the app `id`; null when there is none.
  std::shared_ptr<Instalacion> enCurso(const std::string& id) const;

  // Starts installing or updating `app`; nothing when it already has an active one.
  // `automatica`: no user asked for it.
  void comenzar(const AppRemota& app, bool automatica);
  // Puts back the version kept in the backup, waiting for a running app to quit first;
  // the version that leaves becomes the backup and is skipped. Nothing when the app has
  // an active installation or no whole backup.
  void volver(const AppRemota& app);

  // The pages' and the shell's controls.
  // The active installation of `id`, or the current one.
  void cancelar(const std::optional<std::string>& id = std::nullopt);
  // Removes every installation in `lista` or `error`.
  void descartar();
  // Asks the app an installation waits for to quit.
  void cerrarApp(const std::optional<std::string>& id = std::nullopt);
  // The user says the system now allows the app: open it again.
  void autorizada();
  void abrirAjustesSeguridad();

  // The shell forwards here the desktop's notice that some app started or quit.
  void appsCambiaron();

  // The one failure path of every stage: phase `error`, `alCambiar`, clean-up, log line.
  // Nothing when `inst` is no longer active.
  void fallar(Instalacion& inst, const std::string& mensaje);
  // Deletes the working folder, forgets the archive, drops the observer, stops the
  // poll and the watchdog. The download task is left alone.
  void limpiar(Instalacion& inst);

 private:
  // ---- instalador.cpp ----
  void avisar(const Instalacion& inst) const;
  // Registers `aviso` for every app-change notice until `dejarDeObservar`.
  Observador observarApps(std::function<void()> aviso);
  void dejarDeObservar(Observador observador);

  // ---- descarga.cpp ----
  void iniciarDescarga(const std::shared_ptr<Instalacion>& inst, const Ubicacion& url,
                       std::optional<DatosRetomar> retomar);
  void cambiarConexion(const std::shared_ptr<Instalacion>& inst);
  void vigilar(const std::shared_ptr<Instalacion>& inst);
  void copiarLocal(const std::shared_ptr<Instalacion>& inst, const std::filesystem::path& origen);
  std::shared_ptr<Instalacion> porTarea(TareaDescarga tarea) const;
  void progreso(TareaDescarga tarea, int64_t escritos, int64_t esperados);
  void avanzar(Instalacion& inst, int64_t escritos, int64_t esperados);
  void terminada(TareaDescarga tarea, const std::filesystem::path& archivo, int estado);
  void completada(TareaDescarga tarea, const std::optional<FalloDescarga>& fallo);

  // ---- parcial.cpp ----
  // An update from a server with a kept archive tries the ranges first; else the whole.
  void descargar(const std::shared_ptr<Instalacion>& inst, const Ubicacion& url);
  void parcialLista(const std::shared_ptr<Instalacion>& inst, std::optional<std::string> duda,
                    int64_t pedidos, int64_t total);
  // The verified archive to the cache, then `luego`; on the worker pool.
  void guardarParaLaProxima(const std::shared_ptr<Instalacion>& inst, std::function<void()> luego);

  // ---- shared state ----
  Plataforma& plataforma_;
  Catalogo& catalogo_;
  Descargas& sesion_;  // the installer's one download session
  std::map<Observador, std::function<void()>> observadores_;
  Observador siguienteObservador_ = 1;
  // Timers and platform callbacks hold this weakly: gone means the installer is gone.
  std::shared_ptr<int> vida_ = std::make_shared<int>(0);

  // ---- verificar.cpp: the complete archive, its digest and unpacking ----
  void descargado(const std::shared_ptr<Instalacion>& inst, const std::filesystem::path& archivo);
  void descomprimir(const std::shared_ptr<Instalacion>& inst);

  // ---- esperar_cierre.cpp, reemplazar.cpp, abrir.cpp: quit, swap, open ----
  void esperarCierre(const std::shared_ptr<Instalacion>& inst);
  void cerrada(const std::shared_ptr<Instalacion>& inst);
  void reemplazar(const std::shared_ptr<Instalacion>& inst);
  // ---- volver.cpp: the exchange of a going back ----
  void restaurar(const std::shared_ptr<Instalacion>& inst);
  // The new version is in place: register it, record it, open it.
  void colocada(const std::shared_ptr<Instalacion>& inst, const std::filesystem::path& destino);
  void registrada(const std::shared_ptr<Instalacion>& inst, const std::filesystem::path& destino);
  void abrir(const std::shared_ptr<Instalacion>& inst, const std::filesystem::path& ruta,
             int intento);
  void terminar(const std::shared_ptr<Instalacion>& inst);
  void reabrirme(const std::shared_ptr<Instalacion>& inst, const std::filesystem::path& ruta);
};

}  // namespace orvo
