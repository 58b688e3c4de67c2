// Times our unpacker against bsdtar and unzip on the same zip of a few thousand files.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "comun/desempaquetar.h"

namespace fs = std::filesystem;

namespace {

constexpr int kArchivos = 5000;

// Mostly small files with a few large ones, like an app bundle: about 300 MB in all.
std::uint64_t tam_de(int i) {
  if (i % 500 == 0) return 20u << 20;
  if (i % 50 == 0) return 1u << 20;
  return 64 + (static_cast<std::uint64_t>(i) * 2654435761u) % 4096;
}

void llenar(std::vector<char>& buf, std::uint64_t& estado, bool texto) {
  for (size_t k = 0; k < buf.size(); k += 8) {
    estado ^= estado << 13;
    estado ^= estado >> 7;
    estado ^= estado << 17;
    for (size_t b = 0; b < 8 && k + b < buf.size(); ++b) {
      char c = static_cast<char>(estado >> (8 * b));
      buf[k + b] = texto ? static_cast<char>('a' + (static_cast<unsigned char>(c) % 4)) : c;
    }
  }
}

bool generar(const fs::path& raiz, const fs::path& zip) {
  if (fs::exists(zip)) return true;
  const fs::path arbol = raiz / "arbol";
  fs::remove_all(arbol);
  std::vector<char> buf(1 << 20);
  std::uint64_t estado = 0x9E3779B97F4A7C15ull;
  for (int i = 0; i < kArchivos; ++i) {
    // Appending avoids a false -Wrestrict from GCC 12 on "literal" + std::string.
    std::string carpeta = "d", nombre = "f";
    carpeta += std::to_string(i % 97);
    nombre += std::to_string(i);
    const fs::path p = arbol / "App" / carpeta / nombre;
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary);
    // One file in ten is compressible, so the zip mixes deflated and stored entries.
    const bool texto = i % 10 == 3;
    for (std::uint64_t resta = tam_de(i); resta > 0;) {
      const size_t n = static_cast<size_t>(std::min<std::uint64_t>(resta, buf.size()));
      llenar(buf, estado, texto);
      f.write(buf.data(), static_cast<std::streamsize>(n));
      resta -= n;
    }
    if (i % 7 == 0) fs::permissions(p, fs::perms(0755));
  }
  const std::string orden =
      "cd '" + arbol.string() + "' && zip -q -r '" + zip.string() + ".tmp' App";
  if (std::system(orden.c_str()) != 0) return false;
  fs::rename(zip.string() + ".tmp", zip);
  fs::remove_all(arbol);
  return true;
}

// Best of a few runs, each into a fresh folder.
double medir(const fs::path& salida, const std::function<int(const fs::path&)>& correr) {
  double mejor = 1e30;
  for (int vez = 0; vez < 3; ++vez) {
    fs::remove_all(salida);
    fs::create_directories(salida);
    // Flush the previous run's dirty pages so its writeback is not charged to this one.
    std::system("sync");
    const auto t0 = std::chrono::steady_clock::now();
    const int r = correr(salida);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (r != 0) {
      std::fprintf(stderr, "fallo (%d) en %s\n", r, salida.c_str());
      std::exit(1);
    }
    mejor = std::min(mejor, s);
  }
  fs::remove_all(salida);
  return mejor;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path raiz = fs::path(argc > 1 ? argv[1] : "/tmp") / "orvo_bench_desempaquetar";
  fs::create_directories(raiz);
  const fs::path zip = raiz / "muestra.zip";
  if (!generar(raiz, zip)) {
    std::fprintf(stderr, "no se pudo generar %s\n", zip.c_str());
    return 1;
  }
  std::printf("zip: %s (%.1f MB, %d archivos)\n", zip.c_str(),
              static_cast<double>(fs::file_size(zip)) / (1 << 20), kArchivos);
  // Read it once so every contender starts with it in the page cache.
  std::system(("cat '" + zip.string() + "' > /dev/null").c_str());

  const double nuestro =
      medir(raiz / "orvo", [&](const fs::path& d) { return orvo::desempaquetar(zip, d); });
  const double bsdtar = medir(raiz / "bsdtar", [&](const fs::path& d) {
    return std::system(("bsdtar -xf '" + zip.string() + "' -C '" + d.string() + "'").c_str());
  });
  const double unzip = medir(raiz / "unzip", [&](const fs::path& d) {
    return std::system(("unzip -q '" + zip.string() + "' -d '" + d.string() + "'").c_str());
  });
  std::printf("desempaquetar: %.3f s\n", nuestro);
  std::printf("bsdtar -xf:    %.3f s\n", bsdtar);
  std::printf("unzip -q:      %.3f s\n", unzip);
  std::printf("ratio bsdtar/nuestro: %.2f\n", bsdtar / nuestro);
  std::printf("ratio unzip/nuestro:  %.2f\n", unzip / nuestro);
  return 0;
}
