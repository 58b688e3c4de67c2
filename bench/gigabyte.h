// The 1 GiB test file the benchmarks share.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

constexpr std::uint64_t kTam = std::uint64_t(1) << 30;

// xorshift output: incompressible enough that no layer below can shortcut it.
inline bool generar(const std::filesystem::path& ruta) {
  std::ofstream f(ruta, std::ios::binary);
  std::vector<std::uint64_t> buf((1 << 20) / 8);
  std::uint64_t estado = 0x9E3779B97F4A7C15ull;
  for (std::uint64_t hecho = 0; hecho < kTam; hecho += buf.size() * 8) {
    for (auto& v : buf) {
      estado ^= estado << 13;
      estado ^= estado >> 7;
      estado ^= estado << 17;
      v = estado;
    }
    f.write(reinterpret_cast<const char*>(buf.data()), std::streamsize(buf.size() * 8));
  }
  return bool(f);
}
