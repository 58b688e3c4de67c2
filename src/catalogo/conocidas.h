// The vendor's apps this program knows by heart, whatever the manifest lists.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace orvo {

struct AppConocida {
  std::string id;
  std::string bundle;
  std::string app;  // bundle file name with ".app"
};

const std::vector<AppConocida>& appsConocidas();
// Earlier bundle identifiers an app may still be installed under.
const std::map<std::string, std::vector<std::string>>& bundlesAnteriores();
// The built-in service address; the default source.
const std::string& servicioPorDefecto();

}  // namespace orvo
