#include "plataforma/linux/procesos.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <string_view>

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
};

// From /proc/PID/stat: the state (field 3) and the start time (field 22). Both follow the
// command name, which may itself hold ") ", so counting starts after the last ')'.
std::optional<Estado> leerEstado(const fs::path& proc) {
  auto linea = leerArchivo(proc / "stat", 4096);
  if (!linea) return std::nullopt;
  auto cierre = linea->rfind(')');
  if (cierre == std::string::npos || cierre + 2 >= linea->size()) return std::nullopt;
  Estado e;
  e.letra = (*linea)[cierre + 2];
  size_t pos = cierre + 2;
  for (int campo = 3; campo < 22 && pos != std::string::npos; ++campo)
    pos = linea->find(' ', pos + 1);
  if (pos != std::string::npos) e.inicio = std::strtoull(linea->c_str() + pos + 1, nullptr, 10);
  return e;
}

bool vivo(const Estado& e) { return e.letra != 'Z' && e.letra != 'X'; }

std::optional<Proceso> leerProceso(pid_t pid, const fs::path& proc) {
  auto estado = leerEstado(proc);
  if (!estado || !vivo(*estado)) return std::nullopt;
  Proceso p{pid, estado->inicio, {}};
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

bool procesoVivo(pid_t pid) {
  if (pid <= 0) return false;
  auto e = leerEstado("/proc/" + std::to_string(pid));
  return e && vivo(*e);
}

std::optional<Proceso> procesoDe(pid_t pid) {
  if (pid <= 0) return std::nullopt;
  return leerProceso(pid, "/proc/" + std::to_string(pid));
}

std::vector<Proceso> procesosVivos() {
  std::vector<Proceso> lista;
  std::error_code ec;
  for (const auto& entrada : fs::directory_iterator("/proc", ec)) {
    const std::string nombre = entrada.path().filename().string();
    if (nombre.empty() ||
        !std::all_of(nombre.begin(), nombre.end(), [](unsigned char c) { return std::isdigit(c); }))
      continue;
    if (auto p = leerProceso(static_cast<pid_t>(std::stol(nombre)), entrada.path()))
      lista.push_back(std::move(*p));
  }
  return lista;
}

std::vector<pid_t> procesosDe(const fs::path& ejecutable) {
  const fs::path objetivo = canonica(ejecutable);
  std::vector<pid_t> pids;
  for (const auto& p : procesosVivos())
    if (std::find(p.ejecutables.begin(), p.ejecutables.end(), objetivo) != p.ejecutables.end())
      pids.push_back(p.pid);
  return pids;
}

}  // namespace orvo
