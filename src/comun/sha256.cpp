#include "comun/sha256.h"

#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

namespace orvo {

struct Sha256::Estado {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  ~Estado() { EVP_MD_CTX_free(ctx); }
};

Sha256::Sha256() : e_(std::make_unique<Estado>()) {
  EVP_DigestInit_ex(e_->ctx, EVP_sha256(), nullptr);
}
Sha256::~Sha256() = default;

void Sha256::agregar(const void* datos, size_t tam) {
  if (tam) EVP_DigestUpdate(e_->ctx, datos, tam);
}

Digesto Sha256::terminar() {
  Digesto d{};
  unsigned int n = 0;
  EVP_DigestFinal_ex(e_->ctx, d.data(), &n);
  return d;
}

std::string hex(const Digesto& d) {
  static const char* cifras = "0123456789abcdef";
  std::string s;
  s.reserve(64);
  for (uint8_t b : d) {
    s += cifras[b >> 4];
    s += cifras[b & 15];
  }
  return s;
}

std::optional<Digesto> sha256Bytes(const std::filesystem::path& ruta) {
  int fd = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  constexpr size_t kBloque = 1 << 20;
  // One block per thread: a folder of many small files would otherwise pay for a fresh,
  // zeroed megabyte per file.
  thread_local std::unique_ptr<uint8_t[]> bloque(new uint8_t[kBloque]);
  Sha256 h;
  for (;;) {
    ssize_t n = ::read(fd, bloque.get(), kBloque);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    h.agregar(bloque.get(), size_t(n));
  }
  ::close(fd);
  return h.terminar();
}

std::optional<std::string> sha256(const std::filesystem::path& ruta) {
  auto d = sha256Bytes(ruta);
  if (!d) return std::nullopt;
  return hex(*d);
}

}  // namespace orvo
