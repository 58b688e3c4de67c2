// The manifest refresh against a local folder and against the real test server.
#include "cuenta/tokens.h"
#include "entorno.h"

namespace orvo::prueba {
namespace {

const char* kManifiesto = R"({"formato":"orvo-suite","version":2,"apps":[
  {"id":"video","nombre":"Orvo Video","bundle":"com.orvo.video","app":"Orvo Video.app",
   "version":"2.4","url":"video.zip"}],
  "usuario":{"nombre":"Ana","email":"ana@orvo.example","rol":"editor","canal":"beta"},
  "avisos":[{"id":7,"titulo":"Hola"}]})";

class Revisar : public Entorno {
 protected:
  void usarCarpeta() {
    catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = (t / "fuente").string(); });
  }
  void usarServidor(const std::string& token = "T1") {
    catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
    if (!token.empty()) (void)escribirTokens(datos, {{servidor.base(), token}});
  }
};

TEST_F(Revisar, CarpetaLocalBuenaFaltanteEInvalida) {
  usarCarpeta();
  revisar();
  EXPECT_EQ(catalogo().errorFuente, "No encuentro orvo-suite.json en " + (t / "fuente").string());
  EXPECT_FALSE(catalogo().manifiesto);
  EXPECT_TRUE(catalogo().revisado);

  t.escribir("fuente/orvo-suite.json", kManifiesto);
  revisar();
  ASSERT_TRUE(catalogo().manifiesto);
  EXPECT_FALSE(catalogo().errorFuente);
  EXPECT_EQ(nucleo().sincronizados, 1);
  // A local source leaves the account alone.
  EXPECT_FALSE(cuenta().usuario);
  EXPECT_TRUE(cuenta().avisos.empty());

  // Bad manifests keep the last good one in force.
  const std::string profundo = std::string(200, '[') + std::string(200, ']');
  for (std::string malo :
       {std::string(R"({"formato":"x","version":1,"apps":[{"id":"v"}]})"), profundo,
        std::string("{\"formato\":\"\xff\xfe\"}"), std::string(33u << 20, ' ')}) {
    t.escribir("fuente/orvo-suite.json", malo);
    revisar();
    ASSERT_TRUE(catalogo().errorFuente);
    EXPECT_TRUE(catalogo().errorFuente->starts_with("orvo-suite.json no es válido: "))
        << *catalogo().errorFuente;
    ASSERT_TRUE(catalogo().manifiesto);
    EXPECT_EQ(catalogo().manifiesto->version, 2);
  }
  EXPECT_EQ(nucleo().sincronizados, 1);
}

TEST_F(Revisar, SinTokenNoPideNada) {
  usarServidor("");
  t.escribir("fuente/orvo-suite.json", kManifiesto);
  auto antes = catalogo().revisado;
  revisar();
  EXPECT_TRUE(servidor.peticiones().empty());
  EXPECT_FALSE(catalogo().manifiesto);
  EXPECT_FALSE(catalogo().errorFuente);
  EXPECT_EQ(catalogo().revisado, antes);
}

TEST_F(Revisar, ElFeedLlevaElReporteYElToken) {
  servicio.manifiesto("T1", kManifiesto);
  usarServidor();
  revisar();
  ASSERT_TRUE(catalogo().manifiesto) << catalogo().errorFuente.value_or("");
  auto feed = servidor.peticionesDe("feed");
  ASSERT_EQ(feed.size(), 1u);
  EXPECT_EQ(feed[0].metodo, "POST");
  EXPECT_EQ(feed[0].ruta, "/api.php");
  EXPECT_EQ(feed[0].cabecera("X-Orvo-Token"), "T1");
  EXPECT_EQ(feed[0].cabecera("Content-Type"), "application/json");
  auto cuerpo = analizarJson(feed[0].cuerpo).valor();
  EXPECT_EQ(cuerpo.size(), 6u);
  EXPECT_EQ(cuerpo["equipo"], *catalogo().ajustes.equipo);
  EXPECT_EQ(cuerpo["nombre_equipo"], "Equipo de prueba");
  EXPECT_EQ(cuerpo["apps"], Json::array());
  EXPECT_EQ(cuerpo["skills"], Json::array());
  // The identity made for this report was saved before the request left.
  EXPECT_NE(leer(datos / "ajustes.json").find(cuerpo["equipo"].get<std::string>()),
            std::string::npos);

  ASSERT_TRUE(cuenta().usuario);
  EXPECT_EQ(cuenta().usuario->nombre, "Ana");
  ASSERT_EQ(cuenta().avisos.size(), 1u);
  EXPECT_EQ(nucleo().sincronizados, 1);
}

TEST_F(Revisar, RespuestasDeErrorGuardanElUltimoManifiesto) {
  servicio.manifiesto("T1", kManifiesto);
  usarServidor();
  revisar();
  ASSERT_TRUE(catalogo().manifiesto);

  struct Caso {
    RespuestaPrueba respuesta;
    std::string mensaje;
  };
  const Caso casos[] = {
      {{500, R"({"error":"x"})"},
       "El servidor respondió con un error (500). El servidor tiene un problema: vuelve a "
       "intentarlo en unos minutos."},
      {{503, ""},
       "El servidor respondió con un error (503). El servidor tiene un problema: vuelve a "
       "intentarlo en unos minutos."},
      {{404, ""},
       "El servidor respondió con un error (404). Esa dirección no existe en el servidor: "
       "revisa la fuente o avisa a quien publica el catálogo."},
      {{200, ""}, "El servidor respondió algo que no entiendo"},
      {{200, "<html>hola</html>", "text/html"}, "El servidor respondió algo que no entiendo"},
      {{200, "[1,2]"}, "El servidor respondió algo que no entiendo"},
      {{200, std::string(300, '[')}, "El servidor respondió algo que no entiendo"},
      {{200, "{\"formato\":\"\xc3\x28\"}"}, "El servidor respondió algo que no entiendo"},
      {{200, std::string(40u << 20, ' ')}, "El servidor respondió algo que no entiendo"},
  };
  for (const auto& c : casos) {
    servidor.alAccion("feed", [&](const PeticionRecibida&) { return c.respuesta; });
    revisar();
    EXPECT_EQ(catalogo().errorFuente.value_or(""), c.mensaje);
    ASSERT_TRUE(catalogo().manifiesto);
  }
  EXPECT_EQ(nucleo().sincronizados, 1);
}

TEST_F(Revisar, Un401TerminaLaSesion) {
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
  (void)escribirTokens(datos, {{"https://otro.example/", "T0"}, {servidor.base(), "VIEJO"}});
  catalogo().manifiesto = decodificar<Manifiesto>(kManifiesto).valor();
  catalogo().errorFuente = "antes";
  revisar();
  EXPECT_EQ(servidor.peticionesDe("feed").size(), 1u);
  EXPECT_EQ(leerTokens(datos), (Tokens{{"https://otro.example/", "T0"}}));
  EXPECT_EQ(cuenta().errorLogin, "Tu sesión terminó: vuelve a iniciar sesión");
  EXPECT_FALSE(catalogo().manifiesto);
  EXPECT_EQ(catalogo().errorFuente, "antes");
  EXPECT_EQ(nucleo().sincronizados, 0);
  EXPECT_TRUE(catalogo().necesitaLogin());
}

TEST_F(Revisar, ServidorCaidoODireccionRota) {
  std::string muerto;
  {
    ServidorPrueba efimero;
    muerto = efimero.base();
  }
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = muerto; });
  (void)escribirTokens(datos, {{muerto, "T1"}});
  revisar();
  ASSERT_TRUE(catalogo().errorFuente);
  EXPECT_TRUE(catalogo().errorFuente->starts_with("No pude conectarme al servidor: "));
  EXPECT_EQ(catalogo().errorFuente->find("Connection refused"), std::string::npos);

  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = "https://orvo example/"; });
  (void)escribirTokens(datos, {{"https://orvo example/", "T1"}});
  revisar();
  ASSERT_TRUE(catalogo().errorFuente);
  EXPECT_TRUE(catalogo().errorFuente->starts_with("No pude conectarme al servidor: "));
}

TEST_F(Revisar, CerrarSesionAvisaAlServidorYOlvidaElManifiesto) {
  servicio.manifiesto("T1", kManifiesto);
  usarServidor();
  revisar();
  cuenta().errorLogin = "queda";
  catalogo().cerrarSesion();
  EXPECT_FALSE(catalogo().manifiesto);
  EXPECT_TRUE(catalogo().revisado);
  ASSERT_TRUE(esperarPeticiones("salir", 1));
  EXPECT_EQ(servidor.peticionesDe("salir")[0].cabecera("X-Orvo-Token"), "T1");
  EXPECT_EQ(servidor.peticionesDe("salir")[0].cuerpo, "{}");
  EXPECT_TRUE(leerTokens(datos).empty());
  EXPECT_FALSE(cuenta().usuario);
  EXPECT_TRUE(cuenta().avisos.empty());
  EXPECT_EQ(cuenta().errorLogin, "queda");
}

}  // namespace
}  // namespace orvo::prueba
