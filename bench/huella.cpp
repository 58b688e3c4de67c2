// Times the skill fingerprint of a 10,000-file, 200 MB folder against the shell pipeline a
// user would reach for, `find … -type f | sort | xargs sha256sum`, on the same folder.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "skills/huella.h"

namespace fs = std::filesystem;

namespace {

constexpr int kArchivos = 10'000;
constexpr std::uint64_t kTotal = 200'000'000;

// Sizes from 0 to twice the mean, contents from xorshift so nothing compresses or repeats.
bool generar(const fs::path& carpeta) {
  std::uint64_t estado = 0x9E3779B97F4A7C15ull;
  auto siguiente = [&] {
    estado ^= estado << 13;
    estado ^= estado >> 7;
    estado ^= estado << 17;
    return estado;
  };
  const std::uint64_t media = kTotal / kArchivos;
  std::vector<std::uint64_t> buf(2 * media / 8 + 1);
  for (int i = 0; i < kArchivos; ++i) {
    auto sub = carpeta / ("d" + std::to_string(i % 100)) / ("n" + std::to_string(i % 7));
    fs::create_directories(sub);
    for (auto& v : buf) v = siguiente();
    std::ofstream f(sub / ("f" + std::to_string(i) + ".md"), std::ios::binary);
    f.write(reinterpret_cast<const char*>(buf.data()), std::streamsize(siguiente() % (2 * media)));
    if (!f) return false;
  }
  return true;
}

template <class F>
double mejorDeTres(F&& f) {
  double mejor = 1e9;
  for (int i = 0; i < 3; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    mejor = std::min(mejor,
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return mejor;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
  fs::path carpeta = base / ("orvo-bench-huella-" + std::to_string(getpid()));
  if (!generar(carpeta)) {
    std::fprintf(stderr, "no se pudo crear %s\n", carpeta.c_str());
    fs::remove_all(carpeta);
    return 1;
  }
  std::string orden = "cd '" + carpeta.string() +
                      "' && find . -type f | LC_ALL=C sort | xargs sha256sum > /dev/null";
  // Warm-up, so both read from the page cache.
  std::string h = orvo::huella(carpeta);
  int estado = 0;
  double tNuestra = mejorDeTres([&] { h = orvo::huella(carpeta); });
  double tSuya = mejorDeTres([&] { estado |= std::system(orden.c_str()); });
  fs::remove_all(carpeta);

  std::printf("huella            %7.3f s  %s\n", tNuestra, h.c_str());
  std::printf("find|sort|sha256sum %5.3f s\n", tSuya);
  std::printf("ratio (their time / our time) %.2f\n", tSuya / tNuestra);
  return estado == 0 ? 0 : 1;
}
