// Loading the WebKit module on the first window shown (see vista_web.h).
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "comun/log.h"
#include "plataforma/gtk/vista_web.h"

namespace orvo {

namespace {

int descriptor = -1;
FabricaVistaWeb fabrica = nullptr;

}  // namespace

Error VistaWeb::preparar(const std::filesystem::path& modulo) {
  int fd = ::open(modulo.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "No pude abrir " + modulo.string() + ": " + std::strerror(errno);
  if (descriptor >= 0) ::close(descriptor);
  descriptor = fd;
  fabrica = nullptr;
  return std::nullopt;
}

std::filesystem::path VistaWeb::moduloJunto() {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path() / "orvo-suite-web.so";
}

std::unique_ptr<VistaWeb> VistaWeb::crear(Datos datos) {
  if (!fabrica) {
    if (descriptor < 0) {
      Log::escribir("no puedo mostrar la ventana: falta el módulo de WebKit");
      return nullptr;
    }
    // Through the descriptor opened at start: the file loaded is the one that was there.
    auto ruta = "/proc/self/fd/" + std::to_string(descriptor);
    void* modulo = ::dlopen(ruta.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!modulo) {
      Log::escribir(std::string("no puedo mostrar la ventana: ") + ::dlerror());
      return nullptr;
    }
    fabrica = reinterpret_cast<FabricaVistaWeb>(::dlsym(modulo, kFabricaVistaWeb));
    if (!fabrica) {
      Log::escribir("no puedo mostrar la ventana: el módulo de WebKit no es de esta versión");
      return nullptr;
    }
  }
  return std::unique_ptr<VistaWeb>(fabrica(std::move(datos)));
}

}  // namespace orvo
