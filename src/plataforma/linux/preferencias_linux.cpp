#include "plataforma/linux/preferencias_linux.h"

#include <glib.h>

#include <memory>

#include "comun/archivos.h"
#include "comun/log.h"
#include "plataforma/linux/entrada_escritorio.h"

namespace orvo {

namespace {

constexpr const char* kGrupo = "Orvo Suite";

using KeyFile = std::unique_ptr<GKeyFile, decltype(&g_key_file_unref)>;

// The file as it is; empty when missing or unreadable, so a broken file never blocks
// the program (it is rewritten whole at the next change).
KeyFile abrir(const std::filesystem::path& archivo) {
  KeyFile kf(g_key_file_new(), &g_key_file_unref);
  g_key_file_load_from_file(kf.get(), archivo.c_str(), G_KEY_FILE_KEEP_COMMENTS, nullptr);
  return kf;
}

}  // namespace

PreferenciasLinux::PreferenciasLinux(Sistema& sistema, std::filesystem::path ejecutable)
    : config_(carpetaConfiguracion(sistema)), ejecutable_(std::move(ejecutable)) {}

std::filesystem::path PreferenciasLinux::carpetaConfiguracion(Sistema& sistema) {
  auto xdg = sistema.entorno("XDG_CONFIG_HOME");
  if (xdg && std::filesystem::path(*xdg).is_absolute()) return *xdg;
  return sistema.carpetaPersonal() / ".config";
}

std::optional<std::string> PreferenciasLinux::leer(const std::string& clave) {
  auto kf = abrir(config_ / "orvo-suite/preferencias.ini");
  char* v = g_key_file_get_string(kf.get(), kGrupo, clave.c_str(), nullptr);
  if (!v) return std::nullopt;
  std::string r = v;
  g_free(v);
  return r;
}

void PreferenciasLinux::guardar(const std::string& clave, const std::string& valor) {
  auto archivo = config_ / "orvo-suite/preferencias.ini";
  auto kf = abrir(archivo);
  g_key_file_set_string(kf.get(), kGrupo, clave.c_str(), valor.c_str());
  gsize largo = 0;
  char* texto = g_key_file_to_data(kf.get(), &largo, nullptr);
  std::error_code ec;
  std::filesystem::create_directories(archivo.parent_path(), ec);
  auto error = escribirAtomico(archivo, std::string_view(texto, largo));
  g_free(texto);
  if (error) Log::escribir("no pude guardar las preferencias: " + *error);
}

Error PreferenciasLinux::iniciarConSesion() {
  auto archivo = config_ / "autostart/orvo-suite.desktop";
  std::string texto =
      "[Desktop Entry]\nType=Application\nName=Orvo Suite\nComment=Mantiene al día las apps "
      "de Orvo\nExec=" +
      argumentoExec(ejecutable_.string()) +
      "\nTerminal=false\nNoDisplay=true\nX-GNOME-Autostart-enabled=true\n";
  std::error_code ec;
  std::filesystem::create_directories(archivo.parent_path(), ec);
  return escribirAtomico(archivo, texto);
}

}  // namespace orvo
