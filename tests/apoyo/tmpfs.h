// A real tmpfs of a given size mounted on a test's folder (root only), for full disks and
// moves across filesystems.
#pragma once

#include <cstdint>
#include <filesystem>

namespace orvo::prueba {

class Tmpfs {
 public:
  // Creates `carpeta` and mounts a tmpfs of `bytes` on it; `montado()` says whether it
  // worked (it needs root).
  Tmpfs(const std::filesystem::path& carpeta, uint64_t bytes);
  ~Tmpfs();
  Tmpfs(const Tmpfs&) = delete;
  Tmpfs& operator=(const Tmpfs&) = delete;
  bool montado() const { return montado_; }
  // Fills it up to `dejar` free bytes with one file.
  void llenar(uint64_t dejar) const;

 private:
  std::filesystem::path carpeta_;
  bool montado_ = false;
};

}  // namespace orvo::prueba
