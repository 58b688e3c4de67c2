// A user's machine of the test's own for the real binary in test-install mode: its home,
// data, temporary and applications folders, the settings that name a source, and runs
// of the binary, whole or watched line by line so they can be killed at any point.
#pragma once

#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "apoyo/app_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"
#include "apoyo/servicio_prueba.h"
#include "comun/archivos.h"
#include "comun/json_estricto.h"

namespace orvo::prueba {

// Every item below `raiz` with its kind, mode and content (or link target), to tell a whole
// bundle from a half-copied or half-deleted one.
std::map<std::string, std::string> arbol(const std::filesystem::path& raiz);

struct Version {
  AppRemota app;
  std::map<std::string, std::string> arbol;  // of its bundle
};

struct Maquina {
  CarpetaTemporal t;
  ~Maquina() { matarAppsDe(t.ruta()); }

  void fuente(const std::string& fuente) { escribirAjustes(t / "datos", fuente); }
  void manifiesto(const std::filesystem::path& carpeta, const std::vector<AppRemota>& apps) {
    std::ofstream(carpeta / "orvo-suite.json") << manifiestoDe(apps);
  }
  // Releases 1.0 and 2.0 of `id` at fuente/<version>/<id>.zip, the source set to them. Many
  // small files and one larger one: a half-done copy or delete cannot pass for whole.
  std::vector<Version> dosVersiones(const std::string& id) {
    std::vector<Version> r;
    for (std::string v : {"1.0", "2.0"}) {
      auto app =
          empaquetarApp(t / "obra", t / "fuente" / v, id, v, kScriptQueEspera, true, 2u << 20, 300);
      app.url = v + "/" + id + ".zip";
      r.push_back({app, arbol(t / "obra" / id / v / app.app)});
    }
    fuente((t / "fuente").string());
    return r;
  }
  // The version the record names for `id` (null when none).
  Json anotada(const std::string& id) const {
    return Json::parse(
        leerArchivo(t / "datos/registro.json").value_or("{}"))["apps"][id]["version"];
  }
  // The variables of a run that installs `id`.
  std::vector<std::string> entorno(const std::string& id) const {
    std::filesystem::create_directories(t / "tmp");
    return {"HOME=" + (t / "casa").string(),
            "XDG_DATA_HOME=" + (t / "xdg").string(),
            "TMPDIR=" + (t / "tmp").string(),
            "OV_DATOS=" + (t / "datos").string(),
            "OV_DESTINO=" + (t / "apps").string(),
            "OV_PRUEBA_INSTALAR=" + id,
            "PATH=/usr/bin:/bin"};
  }
  Salida instalar(const std::string& id, const std::string& mas = "") {
    std::string orden;
    for (const auto& v : entorno(id)) orden += v + " ";
    return ejecutar(orden + mas + " " + ORVO_BINARIO + " 2>&1");
  }
};

// The binary started directly (no shell between), its output read as it comes.
class Corrida {
 public:
  explicit Corrida(const std::vector<std::string>& entorno);
  ~Corrida();
  Corrida(const Corrida&) = delete;
  Corrida& operator=(const Corrida&) = delete;
  // Reads until a line satisfies `cual`, the program ends, or `segundos` pass.
  bool esperarLinea(const std::function<bool(const std::string&)>& cual, double segundos);
  // Reads `lineas` lines that hold `con` (each within 30 s), then lets it run `ms` more.
  void cortar(int lineas, const std::string& con, int ms);
  // SIGKILL, then reaps it.
  void matar();
  // Waits for the end; the exit status, -1 when it did not exit by itself in time.
  int terminar(double segundos);
  std::string texto;

 private:
  // 1 when bytes came, 0 when none came in time, -1 at the end of the output.
  int leer(int milisegundos);
  int pid_ = -1, salida_ = -1;
  size_t visto_ = 0;
};

}  // namespace orvo::prueba
