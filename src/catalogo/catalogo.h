// The catalogue store: settings, registry, the last good manifest, the source and its
// requests, the refresh, app status and the usage report. Main thread only.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "catalogo/conocidas.h"
#include "catalogo/fuente.h"
#include "catalogo/registros.h"
#include "catalogo/vecinos.h"
#include "plataforma/plataforma.h"

namespace orvo {

struct VersionInstalada {
  std::string version;
  std::optional<std::string> build;
};

class Catalogo {
 public:
  // Reads the environment (OV_DESTINO, OV_DATOS), creates the data folder, loads the
  // files and migrates the old default source. No network.
  Catalogo(Plataforma& plataforma, Vecinos& vecinos);
  static Catalogo& shared();

  const std::filesystem::path aplicaciones;
  const std::filesystem::path carpeta;
  Ajustes ajustes;
  Registro registro;
  std::optional<Manifiesto> manifiesto;
  std::optional<std::string> errorFuente;
  std::optional<Instante> revisado;
  std::function<void()> alCambiar;

  static std::string fuentePorDefecto(const std::filesystem::path& casa);
  // OV_DESTINO, else /Applications.
  static std::filesystem::path carpetaDeApps(Sistema& sistema);

  Base base() const;
  Ubicacion urlDe(const std::string& texto) const;
  PeticionHttp solicitud(const std::string& url) const;
  bool necesitaLogin() const;
  std::string equipo();
  void cambiarAjustes(const std::function<void(Ajustes&)>& cambio);
  void guardar(const Json& valor, const std::string& nombre) const;
  void anotarInstalada(const AppRemota& app);
  void cerrarSesion();

  void revisar(std::function<void()> listo = {});

  std::vector<std::string> bundles(const AppRemota& app) const;
  std::optional<AppEnMarcha> abierta(const AppRemota& app) const;
  std::optional<std::filesystem::path> rutaInstalada(const AppRemota& app) const;
  std::optional<VersionInstalada> versionInstalada(const AppRemota& app) const;
  bool hayNueva(const AppRemota& app) const;
  // <datos>/respaldo/<app>: where the version before the last swap is kept.
  std::optional<std::filesystem::path> rutaRespaldo(const AppRemota& app) const;
  // The version kept there, only when it is a whole bundle of the app and the app is
  // installed, so that the two can trade places.
  std::optional<VersionInstalada> anterior(const AppRemota& app) const;
  // The user skipped the version·build the manifest publishes now: nothing installs it
  // by itself. A different publication ends the skip.
  bool omitida(const AppRemota& app) const;
  std::vector<Json> estadoApps() const;

  Json reporte();

 private:
  // The version of the bundle at `ruta`, and whether the manifest's is newer than it.
  // Without a build in its Info.plist, the registry's entry of the same version gives it:
  // the installed one first, or the backup's first when `respaldo`.
  std::optional<VersionInstalada> versionEn(const AppRemota& app, const std::filesystem::path& ruta,
                                            bool respaldo = false) const;
  bool nuevaFrente(const AppRemota& app, const VersionInstalada& inst,
                   const std::filesystem::path& ruta) const;
  void revisarServidor(const Base& b, std::function<void()> listo);
  // The refresh's last step: a manifest, or the message of why there is none.
  void terminar(Resultado<Manifiesto> r, bool servidor, std::function<void()> listo);
  void terminarSesion(const std::string& base, std::function<void()> listo);
  void avisar() const;

  Plataforma& plataforma_;
  Vecinos& vecinos_;
  std::shared_ptr<int> vida_ = std::make_shared<int>(0);
};

}  // namespace orvo
