#include "plataforma/linux/equipo_info.h"

#include <fstream>

#include <sys/utsname.h>
#include <unistd.h>

namespace orvo {

namespace {
// Undoes the quoting these files allow: one pair of single or double quotes, and
// backslash escapes inside double quotes.
std::string sinComillas(std::string v) {
  if (v.size() >= 2 && v.front() == '\'' && v.back() == '\'') return v.substr(1, v.size() - 2);
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') {
    std::string r;
    for (size_t i = 1; i + 1 < v.size(); ++i) {
      if (v[i] == '\\' && i + 2 < v.size()) ++i;
      r += v[i];
    }
    return r;
  }
  return v;
}
}  // namespace

std::optional<std::string> valorDeArchivoShell(const std::filesystem::path& archivo,
                                               const std::string& clave) {
  std::ifstream f(archivo);
  std::string linea;
  while (std::getline(f, linea)) {
    if (linea.rfind(clave + "=", 0) == 0) return sinComillas(linea.substr(clave.size() + 1));
  }
  return std::nullopt;
}

std::string nombreDelEquipo(const std::filesystem::path& machineInfo) {
  if (auto bonito = valorDeArchivoShell(machineInfo, "PRETTY_HOSTNAME"); bonito && !bonito->empty())
    return *bonito;
  char nombre[256] = {};
  if (gethostname(nombre, sizeof nombre - 1) != 0) return "";
  return nombre;
}

std::string versionDelSistema(const std::filesystem::path& osRelease) {
  std::string texto = valorDeArchivoShell(osRelease, "PRETTY_NAME").value_or("Linux");
  utsname u{};
  if (uname(&u) == 0) texto += std::string(" (Linux ") + u.release + ")";
  return texto;
}

}  // namespace orvo
