// Times our streamed SHA-256 against `openssl dgst -sha256` on the same 1 GiB file.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "comun/sha256.h"
#include "gigabyte.h"

namespace fs = std::filesystem;

namespace {

std::string deOpenssl(const fs::path& ruta) {
  std::string orden = "openssl dgst -sha256 -r '" + ruta.string() + "'";
  FILE* p = popen(orden.c_str(), "r");
  if (!p) return {};
  char buf[256];
  std::string s;
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) s.append(buf, n);
  pclose(p);
  return s.substr(0, 64);
}

template <class F>
double segundos(F&& f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  fs::path carpeta = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
  fs::path ruta = carpeta / ("orvo-bench-sha256-" + std::to_string(getpid()));
  if (!generar(ruta)) {
    std::fprintf(stderr, "no se pudo crear %s\n", ruta.c_str());
    fs::remove(ruta);
    return 1;
  }
  // One warm-up pass so both runs read from the page cache.
  (void)orvo::sha256(ruta);

  std::string nuestro, suyo;
  double tNuestro = segundos([&] { nuestro = orvo::sha256(ruta).value_or(""); });
  double tSuyo = segundos([&] { suyo = deOpenssl(ruta); });
  fs::remove(ruta);

  double mb = double(kTam) / 1e6;
  std::printf("orvo::sha256      %8.1f MB/s  %s\n", mb / tNuestro, nuestro.c_str());
  std::printf("openssl dgst      %8.1f MB/s  %s\n", mb / tSuyo, suyo.c_str());
  std::printf("ratio (orvo/openssl throughput) %.3f\n", tSuyo / tNuestro);
  if (nuestro.empty() || nuestro != suyo) {
    std::fprintf(stderr, "los digestos no coinciden\n");
    return 1;
  }
  return 0;
}
