#include "plataforma/linux/info_plist.h"

#include <cstdlib>

#include <plist/plist.h>

#include "comun/archivos.h"

namespace orvo {

std::optional<std::map<std::string, std::string>> leerInfoPlist(const std::filesystem::path& ruta) {
  // Real Info.plist files are a few KiB; a huge one is not a bundle's.
  auto datos = leerArchivo(ruta, 4u << 20);
  if (!datos || datos->empty()) return std::nullopt;
  plist_t raiz = nullptr;
  plist_from_memory(datos->data(), uint32_t(datos->size()), &raiz);
  if (!raiz) return std::nullopt;
  if (plist_get_node_type(raiz) != PLIST_DICT) {
    plist_free(raiz);
    return std::nullopt;
  }
  std::map<std::string, std::string> claves;
  plist_dict_iter it = nullptr;
  plist_dict_new_iter(raiz, &it);
  for (;;) {
    char* clave = nullptr;
    plist_t valor = nullptr;
    plist_dict_next_item(raiz, it, &clave, &valor);
    if (!clave) break;
    if (valor && plist_get_node_type(valor) == PLIST_STRING) {
      char* texto = nullptr;
      plist_get_string_val(valor, &texto);
      if (texto) claves.emplace(clave, texto);
      free(texto);
    }
    free(clave);
  }
  free(it);
  plist_free(raiz);
  return claves;
}

}  // namespace orvo
