#include "plataforma/linux/procesos.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

#include "comun/archivos.h"

namespace orvo {

namespace {

namespace fs = std::filesystem;

fs::path canonica(const fs::path& p) {
  std::error_code ec;
  auto c = fs::weakly_canonical(p, ec);
  return ec ? p : c;
}

std::vector<std::string> lineaDeOrdenes(const fs::path& proc) {
  std::vector<std::string> args;
  auto datos = leerArchivo(proc / "cmdline", 1u << 20);
  if (!datos) return args;
  size_t inicio = 0;
  for (size_t i = 0; i < datos->size(); ++i) {
    if ((*datos)[i] == '\0') {
      args.emplace_back(datos->substr(inicio, i - inicio));
      inicio = i + 1;
    }
  }
  return args;
}

struct Estado {
  char letra = 'X';
  unsigned long long inicio = 0;
  // What changes when the process execs: its name and, for this user's processes, where
  // its code, stack and arguments lie (the kernel shows 0 for other users' processes).
  std::string firma;
};

// /proc/PID/stat in one read: the watcher reads it for every process, every scan.
std::optional<std::string> leerStat(const fs::path& proc) {
  int fd = ::open((proc / "stat").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  char buf[2048];
  ssize_t n = ::read(fd, buf, sizeof buf);
  ::close(fd);
  if (n <= 0) return std::nullopt;
  return std::string(buf, size_t(n));
}

// From /proc/PID/stat: the state (field 3), the start time (field 22) and the exec
// fingerprint (the name, fields 26-28 and 48-51). All follow the command name, which may
// itself hold ") ", so counting starts after the last ')'.
std::optional<Estado> leerEstado(const fs::path& proc) {
  auto linea = leerStat(proc);
  if (!linea) return std::nullopt;
  auto apertura = linea->find('(');
  auto cierre = linea->rfind(')');
  if (apertura == std::string::npos || cierre == std::string::npos || apertura > cierre ||
      cierre + 2 >= linea->size())
    return std::nullopt;
  Estado e;
  e.letra = (*linea)[cierre + 2];
  e.firma = linea->substr(apertura, cierre + 1 - apertura);
  size_t pos = cierre + 2;
  for (int campo = 3; campo <= 51 && pos < linea->size(); ++campo) {
    size_t fin = linea->find_first_of(" \n", pos);
    if (fin == std::string::npos) fin = linea->size();
    std::string_view valor(linea->data() + pos, fin - pos);
    if (campo == 22) e.inicio = std::strtoull(std::string(valor).c_str(), nullptr, 10);
    if ((campo >= 26 && campo <= 28) || campo >= 48) (e.firma += ' ') += valor;
    pos = fin + 1;
  }
  return e;
}

bool vivo(const Estado& e) { return e.letra != 'Z' && e.letra != 'X'; }

// Whether the process runs under this program's real uid (the "Uid:" line of
// /proc/PID/status, whose first field is the real one). A set-uid program started by this
// user counts; another user's process never does, whatever it runs.
bool delUsuario(const fs::path& proc) {
  auto texto = leerArchivo(proc / "status", 1u << 16);
  auto i = texto ? texto->find("\nUid:") : std::string::npos;
  if (i == std::string::npos) return false;
  char* fin = nullptr;
  auto uid = std::strtoul(texto->c_str() + i + 5, &fin, 10);
  return fin != texto->c_str() + i + 5 && uid == ::getuid();
}

Proceso leerProceso(pid_t pid, const fs::path& proc, const Estado& estado) {
  Proceso p{pid, estado.inicio, {}};
  if (auto exe = destinoDeExe(proc / "exe"); !exe.empty()) p.ejecutables.push_back(std::move(exe));
  auto args = lineaDeOrdenes(proc);
  std::optional<fs::path> carpeta;
  for (size_t i = 1; i < args.size() && i <= 2; ++i) {
    fs::path arg = args[i];
    // "apps/X.app/Contents/MacOS/x" started from a shell: relative to the process's folder.
    if (!arg.is_absolute() && args[i].find('/') != std::string::npos) {
      if (!carpeta) carpeta = destinoDeExe(proc / "cwd");
      if (carpeta->empty()) continue;
      arg = *carpeta / arg;
    }
    if (!arg.is_absolute()) continue;
    auto ruta = canonica(arg);
    if (std::find(p.ejecutables.begin(), p.ejecutables.end(), ruta) == p.ejecutables.end())
      p.ejecutables.push_back(std::move(ruta));
  }
  return p;
}

}  // namespace

fs::path destinoDeExe(const fs::path& enlace) {
  std::error_code e;
  std::string destino = fs::read_symlink(enlace, e).string();
  constexpr std::string_view kBorrado = " (deleted)";
  if (destino.ends_with(kBorrado)) destino.resize(destino.size() - kBorrado.size());
  return destino;
}

std::optional<Proceso> procesoDe(pid_t pid) {
  if (pid <= 0) return std::nullopt;
  fs::path proc = "/proc/" + std::to_string(pid);
  auto estado = leerEstado(proc);
  if (!estado || !vivo(*estado) || !delUsuario(proc)) return std::nullopt;
  return leerProceso(pid, proc, *estado);
}

std::vector<Proceso> EscanerProcesos::vivos() {
  std::lock_guard l(mutex_);
  std::unordered_map<pid_t, Conocido> ahora;
  std::vector<Proceso> lista;
  std::error_code ec;
  for (const auto& entrada : fs::directory_iterator("/proc", ec)) {
    const std::string nombre = entrada.path().filename().string();
    if (nombre.empty() ||
        !std::all_of(nombre.begin(), nombre.end(), [](unsigned char c) { return std::isdigit(c); }))
      continue;
    auto pid = static_cast<pid_t>(std::stol(nombre));
    auto estado = leerEstado(entrada.path());
    if (!estado || !vivo(*estado)) continue;
    auto visto = conocidos_.find(pid);
    bool igual = visto != conocidos_.end() && visto->second.proceso.inicio == estado->inicio &&
                 visto->second.firma == estado->firma;
    auto& p = ahora[pid];
    p.firma = std::move(estado->firma);
    if (igual) {
      p.propio = visto->second.propio;
      p.proceso = std::move(visto->second.proceso);
    } else {
      // Another user's process is remembered, so it is not looked at again, but never read.
      p.propio = delUsuario(entrada.path());
      p.proceso =
          p.propio ? leerProceso(pid, entrada.path(), *estado) : Proceso{pid, estado->inicio, {}};
    }
    if (p.propio) lista.push_back(p.proceso);
  }
  conocidos_.swap(ahora);
  return lista;
}

std::vector<Proceso> procesosVivos() { return EscanerProcesos().vivos(); }

}  // namespace orvo
