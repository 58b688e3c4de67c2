// The manifest refresh against a local folder and against the real test server.
#include "apoyo/nucleo_servidor.h"
#include "cuenta/tokens.h"

namespace orvo::prueba {
namespace {

const char* kManifiesto = R"({"formato":"orvo-suite","version":2,"apps":[
  {"id":"video","nombre":"Orvo Video","bundle":"com.orvo.video","app":"Orvo Video.app",
   "version":"2.4","url":"video.zip"}],
  "usuario":{"nombre":"Ana","email":"ana@orvo.example","rol":"editor","canal":"beta"},
  "avisos":[{"id":7,"titulo":"Hola"}]})";

using Revisar = NucleoEnServidor;

TEST_F(Revisar, CarpetaLocalBuenaFaltanteEInvalida) {
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = (t / "fuente").string(); });
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
  for (std::string malo : {std::string(R"({"formato":"x","version":1,"apps":[{"id":"v"}]})"),
                           std::string(33u << 20, ' ')}) {
    t.escribir("fuente/orvo-suite.json", malo);
    revisar();
    EXPECT_TRUE(catalogo().errorFuente.value_or("").starts_with("orvo-suite.json no es válido: "))
        << catalogo().errorFuente.value_or("");
    ASSERT_TRUE(catalogo().manifiesto);
    EXPECT_EQ(catalogo().manifiesto->version, 2);
  }
  EXPECT_EQ(nucleo().sincronizados, 1);
}

TEST_F(Revisar, ElFeedLosErroresDelServidorYCerrarSesion) {
  // Without a token nothing is asked and nothing changes.
  servicio.manifiesto("T1", kManifiesto);
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
  revisar();
  EXPECT_TRUE(servidor.peticiones().empty());
  EXPECT_FALSE(catalogo().manifiesto || catalogo().errorFuente || catalogo().revisado);

  (void)escribirTokens(datos, {{servidor.base(), "T1"}});
  revisar();
  ASSERT_TRUE(catalogo().manifiesto) << catalogo().errorFuente.value_or("");
  auto feed = servidor.peticionesDe("feed");
  ASSERT_EQ(feed.size(), 1u);
  auto cuerpo = analizarJson(feed[0].cuerpo).valor();
  EXPECT_EQ(cuerpo.size(), 6u);
  EXPECT_EQ(cuerpo["nombre_equipo"], "Equipo de prueba");
  // The identity made for this report was saved before the request left.
  EXPECT_NE(leer(datos / "ajustes.json").find(cuerpo["equipo"].get<std::string>()),
            std::string::npos);
  EXPECT_EQ(cuenta().usuario.value_or(Usuario{}).nombre, "Ana");
  EXPECT_EQ(cuenta().avisos.size(), 1u);

  // Failed answers keep the last good manifest; "" stands for the unreadable answer.
  const std::string kError = "El servidor respondió con un error (";
  const std::pair<RespuestaPrueba, std::string> casos[] = {
      {{503, ""},
       kError + "503). El servidor tiene un problema: vuelve a intentarlo en unos "
                "minutos."},
      {{404, ""},
       kError + "404). Esa dirección no existe en el servidor: revisa la fuente o "
                "avisa a quien publica el catálogo."},
      {{200, "<html>hola</html>", "text/html"}, ""},
      {{200, std::string(300, '[')}, ""},
      {{200, "{\"formato\":\"\xc3\x28\"}"}, ""},
      {{200, std::string(40u << 20, ' ')}, ""}};
  for (const auto& [respuesta, mensaje] : casos) {
    servidor.alAccion("feed", [&](const PeticionRecibida&) { return respuesta; });
    revisar();
    EXPECT_EQ(catalogo().errorFuente.value_or(""),
              mensaje.empty() ? "El servidor respondió algo que no entiendo" : mensaje);
    ASSERT_TRUE(catalogo().manifiesto);
  }
  EXPECT_EQ(nucleo().sincronizados, 1);

  // Signing out tells the server and forgets the manifest and the account, not the message.
  cuenta().errorLogin = "queda";
  catalogo().cerrarSesion();
  EXPECT_FALSE(catalogo().manifiesto);
  ASSERT_TRUE(bucle.esperarHasta([&] { return !servidor.peticionesDe("salir").empty(); }));
  EXPECT_EQ(servidor.peticionesDe("salir")[0].cabecera("X-Orvo-Token"), "T1");
  EXPECT_TRUE(leerTokens(datos).empty());
  EXPECT_FALSE(cuenta().usuario);
  EXPECT_TRUE(cuenta().avisos.empty());
  EXPECT_EQ(cuenta().errorLogin, "queda");
}

TEST_F(Revisar, Un401TerminaLaSesionYUnaDireccionRotaNoSePide) {
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
  (void)escribirTokens(datos, {{"https://otro.example/", "T0"}, {servidor.base(), "VIEJO"}});
  catalogo().manifiesto = decodificar<Manifiesto>(kManifiesto).valor();
  catalogo().errorFuente = "antes";
  revisar();
  EXPECT_EQ(leerTokens(datos), (Tokens{{"https://otro.example/", "T0"}}));
  EXPECT_EQ(cuenta().errorLogin, "Tu sesión terminó: vuelve a iniciar sesión");
  EXPECT_FALSE(catalogo().manifiesto);
  EXPECT_EQ(catalogo().errorFuente, "antes");
  EXPECT_EQ(nucleo().sincronizados, 0);

  // A broken address is not asked for. A server that is gone is the client's, in
  // CuentaTest.UnSegundoServidor... and HttpCurl.FallosDeTransporteEnEspanol.
  const std::string rota = "https://orvo example/";
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = rota; });
  (void)escribirTokens(datos, {{rota, "T1"}});
  revisar();
  EXPECT_EQ(catalogo().errorFuente,
            "No pude conectarme al servidor: la dirección " + rota + " no es una dirección válida");
}

}  // namespace
}  // namespace orvo::prueba
