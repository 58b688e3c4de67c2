#include "skills/huella.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "comun/sha256.h"

namespace orvo {

namespace fs = std::filesystem;

namespace {

struct Archivo {
  std::string relativa;
  fs::path ruta;
  std::optional<Digesto> digesto;
};

std::vector<Archivo> archivosDe(const fs::path& carpeta) {
  std::vector<Archivo> lista;
  std::error_code e;
  fs::recursive_directory_iterator it(carpeta, fs::directory_options::skip_permission_denied, e);
  for (; !e && it != fs::recursive_directory_iterator(); it.increment(e)) {
    std::error_code tipo;
    if (!fs::is_regular_file(it->symlink_status(tipo)) || tipo) continue;
    const fs::path& ruta = it->path();
    if (ruta.filename() == ".DS_Store") continue;
    lista.push_back({ruta.lexically_relative(carpeta).string(), ruta, std::nullopt});
  }
  return lista;
}

// Reading dominates on large folders, and the digests are independent: spread them over
// the cores, each thread taking the next file not yet taken.
void calcularDigestos(std::vector<Archivo>& lista) {
  std::atomic<size_t> siguiente{0};
  auto trabajar = [&] {
    for (size_t i; (i = siguiente.fetch_add(1)) < lista.size();)
      lista[i].digesto = sha256Bytes(lista[i].ruta);
  };
  size_t hilos = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
  hilos = std::min(hilos, (lista.size() + 15) / 16);
  std::vector<std::thread> ayudantes;
  for (size_t i = 1; i < hilos; ++i) {
    try {
      ayudantes.emplace_back(trabajar);
    } catch (const std::system_error&) {
      break;  // fewer threads only make it slower
    }
  }
  trabajar();
  for (auto& t : ayudantes) t.join();
}

}  // namespace

std::string huella(const fs::path& carpeta) {
  auto lista = archivosDe(carpeta);
  std::sort(lista.begin(), lista.end(),
            [](const Archivo& a, const Archivo& b) { return a.relativa < b.relativa; });
  calcularDigestos(lista);
  Sha256 total;
  for (const auto& a : lista) {
    total.agregar(a.relativa.data(), a.relativa.size() + 1);  // with its terminating 0x00
    if (a.digesto) total.agregar(a.digesto->data(), a.digesto->size());
  }
  return hex(total.terminar());
}

}  // namespace orvo
