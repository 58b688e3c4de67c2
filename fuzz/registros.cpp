// Every record the program reads from the network or from its own files, fed arbitrary
// text: decoding never crashes, and what decodes writes back to text that decodes again.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "catalogo/registros.h"
#include "componentes/registros.h"
#include "cuenta/registros.h"
#include "skills/registros.h"

namespace {

template <class T>
void probar(std::string_view texto) {
  auto r = orvo::decodificar<T>(texto);
  if (!r) return;
  auto otra = orvo::decodificar<T>(r.valor().aJson().dump());
  if (!otra) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
  if (tam == 0) return 0;
  std::string_view texto(reinterpret_cast<const char*>(datos) + 1, tam - 1);
  switch (datos[0] % 9) {
    case 0:
      probar<orvo::Manifiesto>(texto);
      break;
    case 1:
      probar<orvo::AppRemota>(texto);
      break;
    case 2:
      probar<orvo::Ajustes>(texto);
      break;
    case 3:
      probar<orvo::Registro>(texto);
      break;
    case 4:
      probar<orvo::Usuario>(texto);
      break;
    case 5:
      probar<orvo::Aviso>(texto);
      break;
    case 6:
      probar<orvo::ComponenteRemoto>(texto);
      break;
    case 7:
      probar<orvo::SkillRemota>(texto);
      break;
    default:
      probar<orvo::Dueno>(texto);
      break;
  }
  return 0;
}
