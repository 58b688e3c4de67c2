// Signing in and marking notices read, through the real test server.
#include "apoyo/nucleo_servidor.h"
#include "cuenta/tokens.h"

namespace orvo::prueba {
namespace {

struct CuentaTest : NucleoEnServidor {
  // Signs in and waits for the answer; the message, if any.
  Error entrar(const std::string& base, const std::string& email, const std::string& clave) {
    std::optional<Error> r;
    cuenta().entrar(base, email, clave, "1.0", [&](Error e) { r = e; });
    EXPECT_TRUE(bucle.esperarHasta([&] { return r.has_value(); }));
    return r.value_or("sin respuesta");
  }
};

TEST_F(CuentaTest, SoloHttpsOEsteEquipo) {
  for (const char* s : {"http://orvo.example/", "ftp://orvo.example/", "orvo.example",
                        "https://orvo example/", "", "HTTPS://orvo.example/"})
    EXPECT_EQ(entrar(s, "a@b", "c"), "La dirección del servidor debe empezar con https://") << s;
  EXPECT_TRUE(servidor.peticiones().empty());

  servicio.usuario("ana@orvo.example", "clave", "T-ANA");
  auto base = "http://localhost:" + std::to_string(servidor.puerto()) + "/";
  EXPECT_EQ(entrar("  " + base.substr(0, base.size() - 1) + "\t", "ana@orvo.example", "clave"),
            std::nullopt);
  EXPECT_EQ(leerTokens(datos), (Tokens{{base, "T-ANA"}}));
  EXPECT_EQ(std::filesystem::status(datos / "sesion.json").permissions(),
            std::filesystem::perms(0600));

  auto login = servidor.peticionesDe("login");
  ASSERT_EQ(login.size(), 1u);
  auto cuerpo = analizarJson(login[0].cuerpo).valor();
  EXPECT_EQ(cuerpo, (Json{{"email", "ana@orvo.example"},
                          {"clave", "clave"},
                          {"acepta", "1.0"},
                          {"equipo", *catalogo().ajustes.equipo},
                          {"nombre_equipo", "Equipo de prueba"}}));
  EXPECT_EQ(login[0].cabecera("X-Orvo-Token"), "");
}

TEST_F(CuentaTest, LaRespuestaDecideNoElEstado) {
  const std::pair<RespuestaPrueba, Error> casos[] = {
      {{500, R"({"token":"T5"})"}, std::nullopt},
      {{200, R"({"error":"Clave incorrecta"})"}, "Clave incorrecta"},
      {{200, R"(["token"])"}, "El servidor no respondió como esperaba"},
      {{200, R"({"token":5,"error":"Otro"})"}, "Otro"},
      {{404, "<html/>", "text/html"}, "El servidor no respondió como esperaba"},
  };
  for (const auto& [respuesta, mensaje] : casos) {
    servidor.alAccion("login", [&](const PeticionRecibida&) { return respuesta; });
    EXPECT_EQ(entrar(servidor.base(), "a@b", "c"), mensaje) << respuesta.cuerpo;
  }
  EXPECT_EQ(leerTokens(datos), (Tokens{{servidor.base(), "T5"}}));
}

TEST_F(CuentaTest, UnSegundoServidorConservaElPrimeroYUnoCaidoSeDiceEnEspanol) {
  ServidorPrueba otro;
  ServicioPrueba otroServicio(otro);
  servicio.usuario("a@b", "c", "UNO");
  otroServicio.usuario("a@b", "c", "DOS");
  EXPECT_EQ(entrar(servidor.base(), "a@b", "c"), std::nullopt);
  EXPECT_EQ(entrar(otro.base(), "a@b", "c"), std::nullopt);
  EXPECT_EQ(entrar(servidor.base(), "a@b", "mala"), "Usuario o clave incorrectos");
  EXPECT_EQ(leerTokens(datos), (Tokens{{servidor.base(), "UNO"}, {otro.base(), "DOS"}}));

  // A test server that is gone: nobody listens at its address.
  const auto ido = ServidorPrueba().base();
  EXPECT_TRUE(entrar(ido, "a@b", "c").value_or("").starts_with("No pude conectarme al servidor: "));
  EXPECT_EQ(leerTokens(datos).size(), 2u);
}

TEST_F(CuentaTest, MarcarLeidoAvisaUnoAUnoConElToken) {
  (void)escribirTokens(datos, {{servidor.base(), "T1"}});
  cuenta().avisos = {{1, "a"}, {2, "b", std::nullopt, "video"}, {3, "c"}};
  catalogo().manifiesto = Manifiesto{.apps = {AppRemota{.id = "video", .nombre = "Orvo Video"}}};
  cuenta().marcarLeido({3, 1}, servidor.base());
  ASSERT_EQ(cuenta().avisos.size(), 1u);
  // The page names the notice's app as the catalogue does; the rest is copied.
  EXPECT_EQ(cuenta().json()["avisos"][0]["id"], 2);
  EXPECT_EQ(cuenta().json()["avisos"][0]["nombre_app"], "Orvo Video");
  ASSERT_TRUE(bucle.esperarHasta([&] { return servidor.peticionesDe("leido").size() >= 2; }));
  std::multiset<std::string> cuerpos;
  for (const auto& p : servidor.peticionesDe("leido")) {
    cuerpos.insert(p.cuerpo);
    EXPECT_EQ(p.cabecera("X-Orvo-Token"), "T1");
  }
  EXPECT_EQ(cuerpos, (std::multiset<std::string>{R"({"id":1})", R"({"id":3})"}));
}

}  // namespace
}  // namespace orvo::prueba
