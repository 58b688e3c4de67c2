#include "plataforma/linux/preferencias_linux.h"

#include <glib.h>

#include <memory>

#include "comun/archivos.h"
#include "comun/log.h"
#include "plataforma/linux/entrada_escritorio.h"
#include "plataforma/linux/identidad.h"

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
  return carpetaXdg(sistema, "XDG_CONFIG_HOME", ".config");
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
  auto carpeta = config_ / "autostart";
  const std::string exe = ejecutable_.string();
  if (!g_utf8_validate(exe.data(), gssize(exe.size()), nullptr))
    return "la ruta del programa no es texto UTF-8 válido";
  KeyFile kf(g_key_file_new(), &g_key_file_unref);
  auto poner = [&](const char* clave, const std::string& valor) {
    // set_string applies the format's escapes, so no path can break the file.
    g_key_file_set_string(kf.get(), G_KEY_FILE_DESKTOP_GROUP, clave, valor.c_str());
  };
  poner(G_KEY_FILE_DESKTOP_KEY_TYPE, G_KEY_FILE_DESKTOP_TYPE_APPLICATION);
  poner(G_KEY_FILE_DESKTOP_KEY_NAME, "Orvo Suite");
  poner(G_KEY_FILE_DESKTOP_KEY_COMMENT, "Mantiene al día las apps de Orvo");
  // Once the package is removed the file is gone, and sessions skip the entry.
  poner(G_KEY_FILE_DESKTOP_KEY_TRY_EXEC, exe);
  poner(G_KEY_FILE_DESKTOP_KEY_EXEC, argumentoExec(exe));
  poner(G_KEY_FILE_DESKTOP_KEY_TERMINAL, "false");
  poner(G_KEY_FILE_DESKTOP_KEY_NO_DISPLAY, "true");
  poner("X-GNOME-Autostart-enabled", "true");
  gsize largo = 0;
  char* texto = g_key_file_to_data(kf.get(), &largo, nullptr);
  std::error_code ec;
  std::filesystem::create_directories(carpeta, ec);
  auto error = escribirAtomico(carpeta / (std::string(kIdAplicacion) + ".desktop"),
                               std::string_view(texto, largo));
  g_free(texto);
  // The name earlier versions used: two entries would start the program twice.
  if (!error) std::filesystem::remove(carpeta / "orvo-suite.desktop", ec);
  return error;
}

}  // namespace orvo
