// What a page receives while it loads. The order, the last snapshot kept and the events
// after the load are proven on a real WebKit window (tests/ventana, LoEnviadoAntesDeCargar
// LlegaEnOrdenYLaPaginaSeCargaAlMostrarse); here what that window never sends.
#include <gtest/gtest.h>

#include "plataforma/cola_eventos.h"

using namespace orvo;

TEST(ColaEventos, LaUltimaDeCadaTipoYNadaQueNoSeaJSON) {
  std::vector<std::string> corridas;
  ColaEventos cola([&](const std::string& js) { corridas.push_back(js); });
  cola.enviar({{"tipo", "instalacion"}, {"n", 1}});
  cola.enviar({{"tipo", "estado"}, {"n", 2}});
  cola.enviar({{"tipo", "instalacion"}, {"n", 3}});
  // Not JSON: dropped, and the good snapshot before it stays.
  cola.enviar({{"tipo", "estado"}, {"nombre", std::string("\xff\xfe")}});
  cola.cargada();
  auto js = [](int n, const char* tipo) {
    return "window.suite && window.suite.evento({\"n\":" + std::to_string(n) + ",\"tipo\":\"" +
           tipo + "\"})";
  };
  EXPECT_EQ(corridas, (std::vector<std::string>{js(2, "estado"), js(3, "instalacion")}));
  // A second load (a page that navigated) changes nothing; line separators are fine.
  cola.cargada();
  cola.enviar({{"tipo", "estado"}, {"nombre", "Vídeo \u2028"}});
  ASSERT_EQ(corridas.size(), 3u);
  EXPECT_NE(corridas[2].find("Vídeo"), std::string::npos);
}
