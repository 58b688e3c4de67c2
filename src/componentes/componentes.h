// The components manager: installs, updates, switches and removes the add-ons the
// manifest publishes, never replacing one under an app that is using it. Main thread only.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "componentes/carpeta.h"
#include "componentes/registros.h"
#include "comun/json_estricto.h"
#include "plataforma/plataforma.h"

namespace orvo {

class Catalogo;

class Componentes {
 public:
  Componentes(Plataforma& plataforma, Catalogo& catalogo);
  ~Componentes();
  Componentes(const Componentes&) = delete;
  Componentes& operator=(const Componentes&) = delete;
  static Componentes& shared();

  // As last received from the manifest; empty until the first one.
  std::vector<ComponenteRemoto> remotos;
  std::set<std::string> descargando;
  // The last failure per component; in memory only.
  std::map<std::string, std::string> errores;
  // (accion, id) asked for before the first manifest arrived.
  std::vector<std::pair<std::string, std::string>> pedidos;
  std::function<void()> alCambiar;

  // The components folder, made on first use.
  const CarpetaComponentes& carpeta();
  std::vector<ComponenteInstalado> instalados();
  std::optional<ComponenteInstalado> instalado(const std::string& id);

  // From page messages and links: "quitar" removes, anything else installs.
  void pedir(const std::string& accion, const std::string& id);
  void instalar(const std::string& id);
  // False when the component stays (in use, refused, or its folder could not be taken).
  bool quitar(const std::string& id);
  void activar(const std::string& id, bool activado);
  // The one writer of instalados.json: read, change, stamp, sort by id, write, notify.
  Error cambiarInstalados(const std::function<void(std::vector<ComponenteInstalado>&)>& cambio);
  void aplicarPendientes();
  void reemplazos();
  bool enUso(const std::string& id);
  std::optional<std::string> versionDeApp(const std::string& app) const;

  // Each loaded manifest's list: keeps it, writes disponibles.json, updates what is
  // installed, runs replacements, the queued requests and the waiting releases.
  void sincronizar(const std::vector<ComponenteRemoto>& lista);
  bool hayNueva(const ComponenteRemoto& remoto);
  void escribirDisponibles();
  // One object per component for the pages.
  std::vector<Json> estado();
  // The usage report's entries: every installed component.
  std::vector<Json> reporte();

 private:
  const ComponenteRemoto* remoto(const std::string& id) const;
  // Refuses an id that would name a path outside the components folder.
  bool rechazar(const std::string& id);
  void descargar(const ComponenteRemoto& r);
  void preparado(const ComponenteRemoto& r, Resultado<std::filesystem::path> resultado);
  void colocar(const ComponenteRemoto& r, const std::filesystem::path& listo);
  void programarReintento();
  void fallar(const std::string& id, std::string mensaje);
  void avisar();

  Plataforma& plataforma_;
  Catalogo& catalogo_;
  std::optional<CarpetaComponentes> carpeta_;
  std::shared_ptr<Temporizador> reintento_;
  std::shared_ptr<int> vida_ = std::make_shared<int>(0);
};

}  // namespace orvo
