#include "componentes/carpeta.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include "catalogo/registros.h"
#include "comun/archivos.h"
#include "comun/documentos.h"
#include "comun/fechas.h"
#include "comun/log.h"

namespace orvo {

namespace fs = std::filesystem;

bool idSeguro(std::string_view id) {
  // The longest id still leaves room in a file name for "-<UUID>.zip".
  if (id.empty() || id.size() > kIdMaximo || id.starts_with('.')) return false;
  if (id == "instalados.json" || id == "disponibles.json") return false;
  for (unsigned char c : id)
    if (c == '/' || c < 0x20 || c == 0x7F) return false;
  return true;
}

std::optional<int32_t> pidDeMarca(std::string_view texto) {
  constexpr std::string_view kBlancos = " \t\r\n\v\f";
  auto inicio = texto.find_first_not_of(kBlancos);
  if (inicio == std::string_view::npos) return std::nullopt;
  texto = texto.substr(inicio, texto.find_last_not_of(kBlancos) - inicio + 1);
  bool negativo = texto.front() == '-';
  if (texto.front() == '+' || negativo) texto.remove_prefix(1);
  if (texto.empty()) return std::nullopt;
  int64_t n = 0;
  for (char c : texto) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
    if (n > int64_t(INT32_MAX) + 1) return std::nullopt;
  }
  if (negativo) n = -n;
  if (n > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(n);
}

bool marcaViva(const fs::path& componente) {
  auto texto = leerArchivo(componente / ".en-uso", 4096);
  auto pid = texto ? pidDeMarca(*texto) : std::nullopt;
  return pid && *pid > 0 && ::kill(*pid, 0) == 0;
}

CarpetaComponentes CarpetaComponentes::crear(fs::path raiz) {
  CarpetaComponentes c{std::move(raiz)};
  std::error_code e;
  fs::create_directories(c.raiz, e);
  fs::create_directories(c.preparando(), e);
  fs::create_directories(c.raiz / ".pendientes", e);
  // One process owns the folder, so nothing in `.preparando` is in use at start.
  vaciarCarpeta(c.preparando());
  return c;
}

Resultado<InstaladosComp> CarpetaComponentes::leerInstalados() const {
  auto ruta = raiz / "instalados.json";
  auto leido = examinar(ruta, InstaladosComp{});
  if (!leido.danado) return Resultado<InstaladosComp>::exito(std::move(leido.valor));
  auto copia = apartarDanado(ruta);
  if (!copia) return Resultado<InstaladosComp>::fallo(copia.error());
  auto rehecho = rehacer(leido.texto);
  Log::escribir("instalados.json no se podía leer: quedó como " +
                copia.valor().filename().string() + "; rehice " +
                std::to_string(rehecho.componentes.size()) + " componentes con sus carpetas");
  if (auto error = guardarInstalados(rehecho)) Log::escribir(*error);
  return Resultado<InstaladosComp>::exito(std::move(rehecho));
}

InstaladosComp CarpetaComponentes::rehacer(std::string_view danado) const {
  auto rescatados = rescatar<ComponenteInstalado>(danado, "componentes");
  InstaladosComp doc{{}, textoFecha(ahoraUtc())};
  std::error_code e;
  for (fs::directory_iterator it(raiz, e), fin; !e && it != fin; it.increment(e)) {
    auto id = it->path().filename().string();
    std::error_code t;
    if (!idSeguro(id) || !fs::is_directory(it->symlink_status(t))) continue;
    auto texto = leerArchivo(it->path() / "componente.json", 1u << 20);
    auto j = texto ? analizarJson(*texto) : Resultado<Json>::fallo("");
    if (!j || !j.valor().is_object() || j.valor().value("id", Json()) != id ||
        !j.valor().value("version", Json()).is_string())
      continue;
    ComponenteInstalado c{.id = id,
                          .nombre = id,
                          .version = j.valor()["version"].get<std::string>(),
                          .activado = false,
                          .ruta = fs::absolute(it->path(), t).string(),
                          .instalado = *doc.actualizado};
    for (const auto& r : rescatados) {
      if (r.id != id) continue;
      c.nombre = r.nombre, c.app = r.app, c.activado = r.activado, c.instalado = r.instalado;
      c.error = r.error;
      if (r.version == c.version) c.build = r.build;
      if (fs::exists(pendiente(id), t)) c.pendiente = r.pendiente;
      break;
    }
    doc.componentes.push_back(std::move(c));
  }
  std::sort(doc.componentes.begin(), doc.componentes.end(),
            [](const auto& a, const auto& b) { return a.id < b.id; });
  return doc;
}

Error CarpetaComponentes::guardarInstalados(const InstaladosComp& lista) const {
  return guardarDocumento(raiz / "instalados.json", lista.aJson());
}

Error CarpetaComponentes::guardarDisponibles(const Disp& disp) const {
  return guardarDocumento(raiz / "disponibles.json", disp.aJson());
}

Error CarpetaComponentes::descartar(const fs::path& ruta) const {
  auto aparte = preparando() / (ruta.filename().string() + "-" + uuidMayusculas());
  if (::rename(ruta.c_str(), aparte.c_str()) != 0) {
    if (errno == ENOENT) return std::nullopt;
    return std::string(std::strerror(errno));
  }
  quitarArbol(aparte);
  return std::nullopt;
}

namespace {
void sincronizar(const fs::path& ruta, int banderas) {
  int fd = ::open(ruta.c_str(), banderas | O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}
}  // namespace

void sincronizarArbol(const fs::path& raiz) {
  std::error_code e;
  for (auto it = fs::recursive_directory_iterator(raiz, e); !e && it != fs::end(it);
       it.increment(e)) {
    auto tipo = it->symlink_status(e).type();
    if (tipo == fs::file_type::regular) sincronizar(it->path(), 0);
    if (tipo == fs::file_type::directory) sincronizar(it->path(), O_DIRECTORY);
  }
  sincronizar(raiz, O_DIRECTORY);
}

}  // namespace orvo
