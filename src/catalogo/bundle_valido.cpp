#include "catalogo/bundle_valido.h"

#include <algorithm>
#include <system_error>

#include <sys/stat.h>

namespace orvo {

Error revisarBundle(const std::filesystem::path& bundle, const std::vector<std::string>& ids,
                    Espacio& espacio) {
  namespace fs = std::filesystem;
  std::error_code e;
  if (!fs::is_directory(fs::symlink_status(bundle, e))) return "no es una carpeta";
  auto info = espacio.infoPlist(bundle);
  if (!info) return "no tiene un Contents/Info.plist legible";
  auto id = info->find("CFBundleIdentifier");
  if (id == info->end() || std::find(ids.begin(), ids.end(), id->second) == ids.end())
    return "no es " + ids.front();
  auto ejecutable = info->find("CFBundleExecutable");
  struct stat st {};
  if (ejecutable == info->end() || ejecutable->second.empty() ||
      ejecutable->second.find('/') != std::string::npos || ejecutable->second == ".." ||
      ::stat((bundle / "Contents/MacOS" / ejecutable->second).c_str(), &st) != 0 ||
      !S_ISREG(st.st_mode))
    return "le falta su programa principal";
  return std::nullopt;
}

}  // namespace orvo
