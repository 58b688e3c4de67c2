// Real bundles and real processes for the desktop tests; every process a test starts
// is killed, with its whole group, when its guard goes.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <sys/types.h>

#include "apoyo/bucle_manual.h"
#include "apoyo/carpeta_temporal.h"
#include "plataforma/linux/espacio_linux.h"

namespace orvo::prueba {

// The real lookups, counting only the processes that run a bundle below `raiz`: a test sees
// its own apps and none of the machine's (the demo's, a user's, another test run's),
// whatever identifiers they share.
class EspacioDePrueba : public EspacioLinux {
 public:
  EspacioDePrueba(const std::filesystem::path& raiz, std::filesystem::path aplicaciones,
                  std::filesystem::path entradas, Bucle& bucle, double cadaSegundos = 1.5);
  std::vector<AppEnMarcha> appsEnMarcha() override;

 private:
  std::string raiz_;
};

// Kills (SIGKILL) every live process that runs a program from inside `carpeta`: the apps
// an installer opened detached must not outlive the test.
void matarAppsDe(const std::filesystem::path& carpeta);

// A desktop of the test's own: applications folder, desktop entries, the real lookups. The
// apps started from it, detached or not, go with it.
struct Escritorio {
  ~Escritorio() { matarAppsDe(std::filesystem::weakly_canonical(t.ruta())); }
  CarpetaTemporal t;
  BucleManual bucle;
  std::filesystem::path apps = t / "Aplicaciones", entradas = t / "xdg/applications";
  EspacioDePrueba espacio{t.ruta(), apps, entradas, bucle};
};

// A script that stays in the shell (no exec), so /proc shows the interpreter running it.
inline const char* kScriptQueEspera = "#!/bin/sh\nwhile :; do sleep 1; done\n";

// `carpeta`/`nombre`.app with an Info.plist of `claves` (XML, or binary when asked) and,
// when `script` is not empty, Contents/MacOS/<CFBundleExecutable> with mode 0755.
std::filesystem::path crearBundle(const std::filesystem::path& carpeta, const std::string& nombre,
                                  const std::map<std::string, std::string>& claves,
                                  const std::string& script = kScriptQueEspera,
                                  bool binario = false);
// The usual keys: identifier `id`, executable `nombre`, version 1.0.
std::map<std::string, std::string> clavesDe(const std::string& id, const std::string& nombre);

// Polls up to `segundos`.
bool esperarQue(const std::function<bool()>& condicion, double segundos = 5);

// Runs `ejecutable` as our child in a process group of its own.
class ProcesoPrueba {
 public:
  explicit ProcesoPrueba(const std::filesystem::path& ejecutable);
  ~ProcesoPrueba();
  ProcesoPrueba(const ProcesoPrueba&) = delete;
  ProcesoPrueba& operator=(const ProcesoPrueba&) = delete;
  pid_t pid() const { return pid_; }
  // SIGKILL without reaping: the child stays a zombie until esperar().
  void matar();
  // Reaps it once; its wait status.
  int esperar();

 private:
  pid_t pid_;
  bool esperado_ = false;
  int estado_ = 0;
};

}  // namespace orvo::prueba
