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
#include "comun/archivos.h"
#include "comun/json_estricto.h"

namespace orvo::prueba {

struct Maquina {
  CarpetaTemporal t;
  ~Maquina() { matarAppsDe(t.ruta()); }

  void fuente(const std::string& fuente) {
    t.escribir("datos/ajustes.json", Json{{"fuente", fuente},
                                          {"instalarAlCerrar", true},
                                          {"avisar", Json::object()},
                                          {"componentes", Json::object()}}
                                         .dump());
  }
  void manifiesto(const std::filesystem::path& carpeta, const std::vector<AppRemota>& apps) {
    Json lista = Json::array();
    for (const auto& a : apps) lista.push_back(a.aJson());
    std::ofstream(carpeta / "orvo-suite.json")
        << Json{{"formato", "orvo-suite/1"}, {"version", 1}, {"apps", lista}}.dump();
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

inline std::vector<std::string> lineas(const std::string& texto) {
  std::vector<std::string> r;
  size_t i = 0;
  for (size_t j; (j = texto.find('\n', i)) != std::string::npos; i = j + 1)
    r.push_back(texto.substr(i, j - i));
  return r;
}

// Every item below `raiz` with its kind, mode and content (or link target), to tell a whole
// bundle from a half-copied or half-deleted one.
std::map<std::string, std::string> arbol(const std::filesystem::path& raiz);

// The binary started directly (no shell between), its output read as it comes.
class Corrida {
 public:
  explicit Corrida(const std::vector<std::string>& entorno);
  ~Corrida();
  Corrida(const Corrida&) = delete;
  Corrida& operator=(const Corrida&) = delete;
  // Reads until a line satisfies `cual`, the program ends, or `segundos` pass.
  bool esperarLinea(const std::function<bool(const std::string&)>& cual, double segundos);
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
