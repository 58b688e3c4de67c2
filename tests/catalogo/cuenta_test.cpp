// Signing in, out and marking notices read, through the real test server.
#include <sys/stat.h>

#include "comun/log.h"
#include "cuenta/tokens.h"
#include "entorno.h"

namespace orvo::prueba {
namespace {

using CuentaTest = Entorno;

TEST_F(CuentaTest, SoloHttpsOEsteEquipo) {
  for (const char* s : {"http://orvo.example/", "ftp://orvo.example/", "orvo.example",
                        "https://orvo example/", "", "HTTPS://orvo.example/"})
    EXPECT_EQ(entrar(s, "a@b", "c"), "La dirección del servidor debe empezar con https://") << s;
  EXPECT_TRUE(servidor.peticiones().empty());

  servicio.usuario("ana@orvo.example", "clave", "T-ANA");
  auto local = "  http://localhost:" + std::to_string(servidor.puerto()) + "\t";
  EXPECT_EQ(entrar(local, "ana@orvo.example", "clave"), std::nullopt);
  auto base = "http://localhost:" + std::to_string(servidor.puerto()) + "/";
  EXPECT_EQ(leerTokens(datos), (Tokens{{base, "T-ANA"}}));
  struct stat st {};
  ASSERT_EQ(stat((datos / "sesion.json").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600);
  EXPECT_EQ(leer(datos / "sesion.json"), Json(Tokens{{base, "T-ANA"}}).dump());
  EXPECT_NE(leer(datos / "suite.log").find("sesión iniciada en " + base + " como ana@orvo.example"),
            std::string::npos);

  auto login = servidor.peticionesDe("login");
  ASSERT_EQ(login.size(), 1u);
  auto cuerpo = analizarJson(login[0].cuerpo).valor();
  EXPECT_EQ(cuerpo["email"], "ana@orvo.example");
  EXPECT_EQ(cuerpo["clave"], "clave");
  EXPECT_EQ(cuerpo["acepta"], "1.0");
  EXPECT_EQ(cuerpo["equipo"], *catalogo().ajustes.equipo);
  EXPECT_EQ(cuerpo["nombre_equipo"], "Equipo de prueba");
  EXPECT_EQ(login[0].cabecera("X-Orvo-Token"), "");
}

TEST_F(CuentaTest, LaRespuestaDecideNoElEstado) {
  struct Caso {
    RespuestaPrueba respuesta;
    Error mensaje;
  };
  const Caso casos[] = {
      {{500, R"({"token":"T5"})"}, std::nullopt},
      {{200, R"({"error":"Clave incorrecta"})"}, "Clave incorrecta"},
      {{200, R"(["token"])"}, "El servidor no respondió como esperaba"},
      {{200, R"({"token":5,"error":"Otro"})"}, "Otro"},
      {{200, ""}, "El servidor no respondió como esperaba"},
      {{404, "<html/>", "text/html"}, "El servidor no respondió como esperaba"},
  };
  for (const auto& c : casos) {
    servidor.alAccion("login", [&](const PeticionRecibida&) { return c.respuesta; });
    EXPECT_EQ(entrar(servidor.base(), "a@b", "c"), c.mensaje) << c.respuesta.cuerpo;
  }
  EXPECT_EQ(leerTokens(datos), (Tokens{{servidor.base(), "T5"}}));
}

TEST_F(CuentaTest, UnSegundoServidorConservaElPrimero) {
  ServidorPrueba otro;
  ServicioPrueba otroServicio(otro);
  servicio.usuario("a@b", "c", "UNO");
  otroServicio.usuario("a@b", "c", "DOS");
  EXPECT_EQ(entrar(servidor.base(), "a@b", "c"), std::nullopt);
  EXPECT_EQ(entrar(otro.base(), "a@b", "c"), std::nullopt);
  EXPECT_EQ(leerTokens(datos), (Tokens{{servidor.base(), "UNO"}, {otro.base(), "DOS"}}));
  auto login = entrar(servidor.base(), "a@b", "mala");
  EXPECT_EQ(login, "Usuario o clave incorrectos");
  EXPECT_EQ(leerTokens(datos).size(), 2u);
}

TEST_F(CuentaTest, ServidorCaidoEnEspanol) {
  std::string muerto;
  {
    ServidorPrueba efimero;
    muerto = efimero.base();
  }
  auto e = entrar(muerto, "a@b", "c");
  ASSERT_TRUE(e);
  EXPECT_TRUE(e->starts_with("No pude conectarme al servidor: ")) << *e;
  EXPECT_TRUE(leerTokens(datos).empty());
}

TEST_F(CuentaTest, MarcarLeidoYSalir) {
  (void)escribirTokens(datos, {{servidor.base(), "T1"}});
  cuenta().avisos = {{1, "a"}, {2, "b"}, {3, "c"}};
  cuenta().usuario = Usuario{"Ana", "ana@x", "r", "c"};
  cuenta().errorLogin = "queda";
  cuenta().marcarLeido({3, 1}, servidor.base());
  ASSERT_EQ(cuenta().avisos.size(), 1u);
  EXPECT_EQ(cuenta().avisos[0].id, 2);
  ASSERT_TRUE(esperarPeticiones("leido", 2));
  std::multiset<std::string> cuerpos;
  for (const auto& p : servidor.peticionesDe("leido")) {
    cuerpos.insert(p.cuerpo);
    EXPECT_EQ(p.cabecera("X-Orvo-Token"), "T1");
  }
  EXPECT_EQ(cuerpos, (std::multiset<std::string>{R"({"id":1})", R"({"id":3})"}));

  auto json = cuenta().json();
  EXPECT_EQ(json["avisos"][0],
            (Json{{"id", 2}, {"titulo", "b"}, {"texto", ""}, {"app", ""}, {"creado", ""}}));
  EXPECT_EQ(json["usuario"]["nombre"], "Ana");
  EXPECT_EQ(json["errorLogin"], "queda");

  cuenta().salir(servidor.base());
  ASSERT_TRUE(esperarPeticiones("salir", 1));
  EXPECT_EQ(servidor.peticionesDe("salir")[0].cabecera("X-Orvo-Token"), "T1");
  EXPECT_TRUE(leerTokens(datos).empty());
  json = cuenta().json();
  EXPECT_EQ(json, (Json{{"avisos", Json::array()}, {"errorLogin", "queda"}}));
}

TEST_F(CuentaTest, LaPeticionSeResuelveContraLaBase) {
  auto p = cuenta().peticion("https://orvo.example/equipo/", "feed", Json{{"a", 1}});
  EXPECT_EQ(p.url, "https://orvo.example/equipo/api.php?a=feed");
  EXPECT_EQ(p.metodo, "POST");
  EXPECT_EQ(p.espera, 25);
  EXPECT_TRUE(p.sinCache);
  EXPECT_EQ(p.cuerpo, R"({"a":1})");
  // Text that cannot be JSON leaves the request without a body instead of failing.
  EXPECT_FALSE(cuenta().peticion("https://o.example/", "feed", Json{{"a", "\xff"}}).cuerpo);
}

}  // namespace
}  // namespace orvo::prueba
