#include "plataforma/linux/bundles.h"

#include <sys/stat.h>

#include "plataforma/linux/info_plist.h"

namespace orvo {

namespace fs = std::filesystem;

namespace {
// Enough for every bundle a machine has; past it the cache starts over.
constexpr size_t kMaxEntradas = 512;
}  // namespace

std::optional<fs::path> bundleDelEjecutable(const fs::path& ejecutable) {
  auto macos = ejecutable.parent_path();
  auto contents = macos.parent_path();
  auto bundle = contents.parent_path();
  auto nombre = bundle.filename().string();
  if (ejecutable.filename().empty() || macos.filename() != "MacOS" ||
      contents.filename() != "Contents" || nombre.size() <= 4 || !nombre.ends_with(".app"))
    return std::nullopt;
  return bundle;
}

std::optional<fs::path> ejecutablePrincipal(const fs::path& bundle, const ClavesPlist& info) {
  auto e = info.find("CFBundleExecutable");
  if (e == info.end()) return std::nullopt;
  const std::string& nombre = e->second;
  if (nombre.empty() || nombre == "." || nombre == ".." || nombre.find('/') != std::string::npos ||
      nombre.find('\0') != std::string::npos)
    return std::nullopt;
  return bundle / "Contents" / "MacOS" / nombre;
}

const std::optional<ClavesPlist>* CacheInfoPlist::vigente(const fs::path& bundle,
                                                          unsigned long pase) {
  auto ruta = (bundle / "Contents" / "Info.plist").native();
  if (auto e = entradas_.find(ruta); pase && e != entradas_.end() && e->second.pase == pase)
    return &e->second.claves;
  struct stat st {};
  if (::stat(ruta.c_str(), &st) != 0) {
    entradas_.erase(ruta);
    return nullptr;
  }
  Firma f{st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
  if (auto e = entradas_.find(ruta); e != entradas_.end() && e->second.firma == f) {
    e->second.pase = pase;
    return &e->second.claves;
  }
  if (entradas_.size() >= kMaxEntradas) entradas_.clear();
  auto& e = entradas_[ruta];
  e = Entrada{f, leerInfoPlist(ruta), pase};
  return &e.claves;
}

std::optional<ClavesPlist> CacheInfoPlist::leer(const fs::path& bundle, unsigned long pase) {
  std::lock_guard<std::mutex> l(mutex_);
  auto claves = vigente(bundle, pase);
  return claves ? *claves : std::nullopt;
}

std::optional<std::string> CacheInfoPlist::identificador(const fs::path& bundle,
                                                         unsigned long pase) {
  std::lock_guard<std::mutex> l(mutex_);
  auto claves = vigente(bundle, pase);
  if (!claves || !*claves) return std::nullopt;
  auto id = (*claves)->find("CFBundleIdentifier");
  if (id == (*claves)->end() || id->second.empty()) return std::nullopt;
  return id->second;
}

}  // namespace orvo
