#include "apoyo/bundles_prueba.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include <plist/plist.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "plataforma/linux/procesos.h"

namespace orvo::prueba {

namespace fs = std::filesystem;

namespace {

std::string plistXml(const std::map<std::string, std::string>& claves) {
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n";
  for (const auto& [k, v] : claves) x += "<key>" + k + "</key><string>" + v + "</string>\n";
  return x + "<key>LSMinimumSystemVersion</key><integer>11</integer>\n</dict>\n</plist>\n";
}

std::string plistBinario(const std::map<std::string, std::string>& claves) {
  plist_t d = plist_new_dict();
  for (const auto& [k, v] : claves) plist_dict_set_item(d, k.c_str(), plist_new_string(v.c_str()));
  char* datos = nullptr;
  uint32_t tam = 0;
  plist_to_bin(d, &datos, &tam);
  std::string r(datos, tam);
  free(datos);
  plist_free(d);
  return r;
}

void escribir(const fs::path& ruta, const std::string& datos) {
  fs::create_directories(ruta.parent_path());
  std::ofstream(ruta, std::ios::binary) << datos;
}

}  // namespace

EspacioDePrueba::EspacioDePrueba(const fs::path& raiz, fs::path aplicaciones, fs::path entradas,
                                 Bucle& bucle, double cadaSegundos)
    : EspacioLinux(std::move(aplicaciones), std::move(entradas), bucle, cadaSegundos),
      // /proc names executables by their real path.
      raiz_(fs::weakly_canonical(raiz).string() + "/") {}

std::vector<AppEnMarcha> EspacioDePrueba::appsEnMarcha() {
  auto todas = EspacioLinux::appsEnMarcha();
  std::erase_if(todas, [&](const AppEnMarcha& a) { return !a.ruta.string().starts_with(raiz_); });
  return todas;
}

std::map<std::string, std::string> clavesDe(const std::string& id, const std::string& nombre) {
  return {{"CFBundleIdentifier", id},
          {"CFBundleExecutable", nombre},
          {"CFBundleShortVersionString", "1.0"}};
}

fs::path crearBundle(const fs::path& carpeta, const std::string& nombre,
                     const std::map<std::string, std::string>& claves, const std::string& script,
                     bool binario) {
  auto bundle = carpeta / (nombre + ".app");
  escribir(bundle / "Contents/Info.plist", binario ? plistBinario(claves) : plistXml(claves));
  auto exe = claves.find("CFBundleExecutable");
  if (!script.empty() && exe != claves.end()) {
    auto ruta = bundle / "Contents/MacOS" / exe->second;
    escribir(ruta, script);
    fs::permissions(ruta, fs::perms(0755));
  }
  return bundle;
}

void matarAppsDe(const fs::path& carpeta) {
  const auto raiz = carpeta.string() + "/";
  for (const auto& p : procesosVivos())
    for (const auto& exe : p.ejecutables)
      if (exe.string().starts_with(raiz)) {
        kill(p.pid, SIGKILL);
        break;
      }
}

bool esperarQue(const std::function<bool()>& condicion, double segundos) {
  for (int i = 0; i < segundos * 100; ++i) {
    if (condicion()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condicion();
}

ProcesoPrueba::ProcesoPrueba(const fs::path& ejecutable) {
  pid_ = fork();
  if (pid_ == 0) {
    setpgid(0, 0);
    execl(ejecutable.c_str(), ejecutable.c_str(), nullptr);
    _exit(127);
  }
  // Also here, so the group exists before the destructor may signal it.
  setpgid(pid_, pid_);
}

ProcesoPrueba::~ProcesoPrueba() {
  if (pid_ <= 0) return;
  kill(-pid_, SIGKILL);
  kill(pid_, SIGKILL);
  esperar();
}

void ProcesoPrueba::matar() { kill(pid_, SIGKILL); }

int ProcesoPrueba::esperar() {
  if (!esperado_) waitpid(pid_, &estado_, 0);
  esperado_ = true;
  return estado_;
}

}  // namespace orvo::prueba
