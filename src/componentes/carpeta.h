// The components folder on disk: its layout, the installed list the apps read, the
// in-use marker the apps write, and the moves that keep a component whole through a crash.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "componentes/registros.h"
#include "comun/resultado.h"

namespace orvo {

constexpr size_t kIdMaximo = 128;

// "version·build": how a record's `pendiente` names a release staged behind its app.
inline std::string marcaDe(const ComponenteRemoto& r) {
  return r.version + "·" + r.build.value_or("");
}

// Whether `id` can name a folder of its own inside the components folder without
// reaching outside it or onto one of the folder's own files, and is at most kIdMaximo bytes.
bool idSeguro(std::string_view id);

// The process id an `.en-uso` marker holds: blanks and line ends around an optional sign
// and decimal digits that fit in 32 bits. Absent when the text is anything else.
std::optional<int32_t> pidDeMarca(std::string_view texto);

// Whether the `.en-uso` marker inside `componente` names a live process. Only a positive
// id counts: signal 0 to 0 or -1 would reach a process group or every process.
bool marcaViva(const std::filesystem::path& componente);

struct CarpetaComponentes {
  std::filesystem::path raiz;

  // Creates the folder, `.preparando` and `.pendientes`, and clears what an interrupted
  // run left in `.preparando`. Failures surface later in the operations that need them.
  static CarpetaComponentes crear(std::filesystem::path raiz);

  std::filesystem::path preparando() const { return raiz / ".preparando"; }
  std::filesystem::path pendiente(const std::string& id) const { return raiz / ".pendientes" / id; }
  std::filesystem::path instalada(const std::string& id) const { return raiz / id; }

  // instalados.json, missing: an empty list. One that cannot be read or decoded is kept
  // aside (numbered, never over an earlier copy) and rebuilt from the folders at once; the
  // error says why when it could not even be kept aside, and then nothing may write over it.
  Resultado<InstaladosComp> leerInstalados() const;
  // The records the folders vouch for: each `<id>` whose componente.json names that id and
  // a version. What `danado` still holds of a record (switch, name, build, date) is kept; a
  // switch that cannot be known is off, so nothing the user switched off comes back on.
  InstaladosComp rehacer(std::string_view danado) const;
  [[nodiscard]] Error guardarInstalados(const InstaladosComp& lista) const;
  [[nodiscard]] Error guardarDisponibles(const Disp& disp) const;

  // Takes `ruta` away in one rename into `.preparando`, then deletes it there, so a crash
  // never leaves half a component where a whole one stood. Nothing at `ruta` is success.
  [[nodiscard]] Error descartar(const std::filesystem::path& ruta) const;
};

// Flushes every file and folder under `raiz` to disk, so a rename that publishes it
// later never exposes files whose data was still in memory.
void sincronizarArbol(const std::filesystem::path& raiz);

}  // namespace orvo
