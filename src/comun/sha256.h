// SHA-256 of files, streamed in 1 MiB blocks so memory stays bounded.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace orvo {

using Digesto = std::array<uint8_t, 32>;

// Incremental SHA-256 for data fed in pieces.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  void agregar(const void* datos, size_t tam);
  void agregar(std::string_view datos) { agregar(datos.data(), datos.size()); }
  Digesto terminar();

 private:
  struct Estado;
  std::unique_ptr<Estado> e_;
};

std::string hex(const Digesto& d);

// The raw digest of a file; absent when it cannot be opened. A read error stops the
// digest where it happened, so it will not match a published value.
std::optional<Digesto> sha256Bytes(const std::filesystem::path& ruta);
// The same as 64 lower-case hexadecimal characters.
std::optional<std::string> sha256(const std::filesystem::path& ruta);

}  // namespace orvo
