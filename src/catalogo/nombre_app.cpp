#include "catalogo/nombre_app.h"

namespace orvo {

bool esNombreDeApp(const std::string& app) {
  return app.size() > 4 && app.ends_with(".app") && app.find('/') == std::string::npos &&
         app.find('\0') == std::string::npos;
}

}  // namespace orvo
