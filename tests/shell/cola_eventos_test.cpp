// What a page receives, and when, while it loads and after.
#include <gtest/gtest.h>

#include "plataforma/cola_eventos.h"

using namespace orvo;

TEST(ColaEventos, EsperaLaCargaSoloGuardaLaUltimaFotoDeCadaTipoYDescartaLoQueNoEsJSON) {
  std::vector<std::string> corridas;
  ColaEventos cola([&](const std::string& js) { corridas.push_back(js); });
  cola.enviar({{"tipo", "estado"}, {"n", 1}});
  cola.enviar({{"tipo", "instalacion"}, {"n", 2}});
  cola.enviar({{"tipo", "otro"}, {"n", 3}});
  cola.enviar({{"tipo", "estado"}, {"n", 4}});
  cola.enviar({{"tipo", "otro"}, {"n", 5}});
  cola.enviar({{"tipo", "instalacion"}, {"n", 6}});
  cola.enviar({{"tipo", "estado"}, {"n", 7}});
  EXPECT_TRUE(corridas.empty());
  EXPECT_EQ(cola.pendientes(), 4u);

  cola.cargada();
  auto js = [](int n, const char* tipo) {
    return "window.suite && window.suite.evento({\"n\":" + std::to_string(n) + ",\"tipo\":\"" +
           tipo + "\"})";
  };
  EXPECT_EQ(corridas, (std::vector<std::string>{js(3, "otro"), js(5, "otro"), js(6, "instalacion"),
                                                js(7, "estado")}));
  cola.enviar({{"tipo", "estado"}, {"n", 8}});
  cola.enviar({{"tipo", "estado"}, {"n", 9}});
  EXPECT_EQ(corridas.size(), 6u);
  EXPECT_EQ(corridas.back(), js(9, "estado"));
  // A second load (a page that navigated) changes nothing.
  cola.cargada();
  EXPECT_EQ(corridas.size(), 6u);
  // An event that cannot be JSON is dropped; line separators are fine.
  cola.enviar({{"tipo", "estado"}, {"nombre", std::string("\xff\xfe")}});
  EXPECT_EQ(corridas.size(), 6u);
  cola.enviar({{"tipo", "estado"}, {"nombre", "Vídeo \u2028"}});
  EXPECT_NE(corridas.at(6).find("Vídeo"), std::string::npos);
}
