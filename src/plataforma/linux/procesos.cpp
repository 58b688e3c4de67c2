#include "plataforma/linux/procesos.h"

#include <cctype>
#include <fstream>
#include <string>

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

}  // namespace

bool procesoVivo(pid_t pid) {
  if (pid <= 0) return false;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string linea;
  if (!std::getline(stat, linea)) return false;
  // The state follows the command name, which may itself hold ") ".
  auto cierre = linea.rfind(')');
  if (cierre == std::string::npos || cierre + 2 >= linea.size()) return false;
  char estado = linea[cierre + 2];
  return estado != 'Z' && estado != 'X';
}

std::vector<pid_t> procesosDe(const fs::path& ejecutable) {
  std::vector<pid_t> pids;
  const fs::path objetivo = canonica(ejecutable);
  std::error_code ec;
  for (const auto& entrada : fs::directory_iterator("/proc", ec)) {
    const std::string nombre = entrada.path().filename().string();
    if (nombre.empty() || !std::isdigit(static_cast<unsigned char>(nombre[0]))) continue;
    pid_t pid = static_cast<pid_t>(std::stol(nombre));
    std::error_code e2;
    auto exe = fs::read_symlink(entrada.path() / "exe", e2);
    bool corre = !e2 && exe == objetivo;
    if (!corre) {
      auto args = lineaDeOrdenes(entrada.path());
      for (size_t i = 1; i < args.size() && i <= 2 && !corre; ++i)
        corre = !args[i].empty() && args[i][0] == '/' && canonica(args[i]) == objetivo;
    }
    if (corre && procesoVivo(pid)) pids.push_back(pid);
  }
  return pids;
}

}  // namespace orvo
