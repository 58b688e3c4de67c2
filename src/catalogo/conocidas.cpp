#include "catalogo/conocidas.h"

namespace orvo {

const std::vector<AppConocida>& appsConocidas() {
  static const std::vector<AppConocida> tabla = {
      {"video", "com.orvo.video", "Orvo Video.app"},
      {"slides", "com.orvo.slides", "Orvo Slides.app"},
      {"notas", "com.orvo.notas", "Orvo Notas.app"},
      {"audio", "com.orvo.audio", "Orvo Audio.app"},
      {"fotos", "com.orvo.fotos", "Orvo Fotos.app"},
      {"suite", "com.orvo.suite", "Orvo Suite.app"},
  };
  return tabla;
}

const std::map<std::string, std::vector<std::string>>& bundlesAnteriores() {
  static const std::map<std::string, std::vector<std::string>> tabla = {
      {"video", {"com.orvo.videoeditor"}},
      {"slides", {"com.orvo.presentaciones"}},
  };
  return tabla;
}

const std::string& servicioPorDefecto() {
  static const std::string url = "https://suite.orvo.example/";
  return url;
}

}  // namespace orvo
