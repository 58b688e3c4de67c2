#include "componentes/preparar.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "componentes/carpeta.h"
#include "comun/archivos.h"
#include "comun/desempaquetar.h"
#include "comun/json_estricto.h"
#include "comun/sha256.h"

namespace orvo {

namespace fs = std::filesystem;

namespace {

constexpr size_t kDescriptorMaximo = 1u << 20;
// An add-on, smaller than the app it serves; far past this, the archive is built to fill the
// disk. The apps walk the folder, so links must not go round.
constexpr MedidaDesempaque kMedidaComponente{.proporcion = 40,
                                             .minimo = 256ull << 20,
                                             .maximo = 4ull << 30,
                                             .entradas = 100'000,
                                             .sinVueltas = true};

// Published digests may be written in either letter case.
bool mismaHuella(std::string_view a, std::string_view b) {
  return std::ranges::equal(
      a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

bool textoIgual(const Json& o, const char* clave, const std::string& esperado) {
  auto it = o.find(clave);
  return it != o.end() && it->is_string() && it->get<std::string>() == esperado;
}

// An entry must name something inside the component, not a path that climbs out of it;
// an empty one names the component's own folder.
bool entradaPresente(const fs::path& carpeta, const std::string& entrada) {
  fs::path relativa(entrada);
  if (entrada.empty()) return true;
  if (relativa.is_absolute()) return false;
  for (const auto& parte : relativa.lexically_normal())
    if (parte == "..") return false;
  std::error_code e;
  return fs::exists(carpeta / relativa, e);
}

Error revisar(const fs::path& zip, const ComponenteRemoto& r, const fs::path& carpeta) {
  if (auto d = desempaquetarAcotado(zip, carpeta, kMedidaComponente); d.fallo != 0)
    return "No pude descomprimir el componente: " + motivoDesempaque(d, "un componente");
  // Only a plain file is read: a pipe shipped under that name would block the worker.
  std::error_code e;
  auto descriptor = carpeta / "componente.json";
  auto texto = fs::is_regular_file(fs::symlink_status(descriptor, e))
                   ? leerArchivo(descriptor, kDescriptorMaximo)
                   : std::nullopt;
  auto json = texto ? analizarJson(*texto) : Resultado<Json>::fallo("");
  if (!json || !json.valor().is_object() || !textoIgual(json.valor(), "id", r.id) ||
      !textoIgual(json.valor(), "version", r.version))
    return "El zip no trae el componente.json de " + r.id + " " + r.version;
  auto entrada = json.valor().find("entrada");
  if (entrada != json.valor().end() && entrada->is_string() &&
      !entradaPresente(carpeta, entrada->get<std::string>()))
    return "Falta la entrada " + entrada->get<std::string>();
  // The marker is the apps' to write; one shipped in the archive, file or folder, would pin
  // the component.
  quitarArbol(carpeta / ".en-uso");
  return std::nullopt;
}

}  // namespace

Resultado<fs::path> preparar(const fs::path& zip, const ComponenteRemoto& r,
                             const fs::path& preparando) {
  if (r.sha256 && !r.sha256->empty()) {
    auto huella = sha256(zip);
    if (!huella || !mismaHuella(*huella, *r.sha256))
      return Resultado<fs::path>::fallo(
          "La descarga no coincide con la publicada (la huella es distinta). No instalé nada.");
  }
  auto carpeta = preparando / (r.id + "-" + uuidMayusculas());
  if (auto fallo = revisar(zip, r, carpeta)) {
    quitarArbol(carpeta);
    return Resultado<fs::path>::fallo(*fallo);
  }
  sincronizarArbol(carpeta);
  return Resultado<fs::path>::exito(carpeta);
}

}  // namespace orvo
