// The bundle layout on disk: which bundle an executable belongs to, its main executable,
// and its Info.plist read once per version of the file.
#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include <sys/types.h>

namespace orvo {

using ClavesPlist = std::map<std::string, std::string>;

// The bundle folder (X.app) when `ejecutable` lies directly in its Contents/MacOS/.
std::optional<std::filesystem::path> bundleDelEjecutable(const std::filesystem::path& ejecutable);

// Contents/MacOS/<CFBundleExecutable>; absent when the key is missing or is not a plain
// file name, so an Info.plist cannot point outside its own bundle.
std::optional<std::filesystem::path> ejecutablePrincipal(const std::filesystem::path& bundle,
                                                         const ClavesPlist& info);

// The /proc scans ask about the same few bundles every second or two; each Info.plist is
// parsed again only when the file changes (another inode, size or modification time).
class CacheInfoPlist {
 public:
  // `pase`: the caller's status pass (0 for none); a file already checked during that
  // pass is not checked again.
  std::optional<ClavesPlist> leer(const std::filesystem::path& bundle, unsigned long pase = 0);
  // CFBundleIdentifier; absent when unreadable, missing or empty.
  std::optional<std::string> identificador(const std::filesystem::path& bundle,
                                           unsigned long pase = 0);

 private:
  struct Firma {
    dev_t dispositivo = 0;
    ino_t inodo = 0;
    off_t tam = 0;
    long long segundos = 0, nanos = 0;
    bool operator==(const Firma&) const = default;
  };
  struct Entrada {
    Firma firma;
    std::optional<ClavesPlist> claves;
    unsigned long pase = 0;
  };
  // The cached keys of the bundle's Info.plist, checked against the file; null when it is
  // gone. Called with `mutex_` held.
  const std::optional<ClavesPlist>* vigente(const std::filesystem::path& bundle,
                                            unsigned long pase);

  std::mutex mutex_;
  std::unordered_map<std::string, Entrada> entradas_;
};

}  // namespace orvo
