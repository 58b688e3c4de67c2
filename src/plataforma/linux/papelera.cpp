#include "plataforma/linux/papelera.h"

#include <gio/gio.h>

namespace orvo {

std::optional<std::string> moverAPapelera(const std::filesystem::path& ruta) {
  GFile* archivo = g_file_new_for_path(ruta.c_str());
  GError* error = nullptr;
  bool hecho = g_file_trash(archivo, nullptr, &error);
  g_object_unref(archivo);
  if (hecho) return std::nullopt;
  std::string texto = "No pude llevar " + ruta.string() + " a la papelera";
  if (error) {
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED))
      texto = "El disco de " + ruta.string() + " no tiene papelera";
    else
      texto += std::string(": ") + error->message;
    g_error_free(error);
  }
  return texto;
}

}  // namespace orvo
