#include <gtest/gtest.h>

#include "apoyo/carpeta_temporal.h"
#include "catalogo/registros.h"

using namespace orvo;
using prueba::CarpetaTemporal;

namespace {

const char* kApp = R"({"id":"video","nombre":"Video","bundle":"com.orvo.video","app":"Video.app",
  "version":"1.2","url":"video.zip","tam":10,"novedades":["a"],"firmada":true,"extra":1})";

std::string manifiesto(const std::string& apps, const std::string& resto = "") {
  return R"({"formato":"orvo","version":1,"apps":[)" + apps + "]" + resto + "}";
}

}  // namespace

TEST(Manifiesto, MinimoEsValidoYListasVacias) {
  auto r = decodificar<Manifiesto>(manifiesto(kApp));
  ASSERT_TRUE(r) << r.error();
  EXPECT_EQ(r.valor().apps.size(), 1u);
  EXPECT_EQ(r.valor().apps[0].tam, 10);
  EXPECT_FALSE(r.valor().apps[0].build);
  EXPECT_TRUE(r.valor().componentes.empty());
  EXPECT_TRUE(r.valor().skills_quitar.empty());
  EXPECT_FALSE(r.valor().usuario);
}

TEST(Manifiesto, UnElementoMaloFallaTodoYDiceDonde) {
  std::string sinUrl = R"({"id":"b","nombre":"B","bundle":"x","app":"B.app","version":"1"})";
  auto r = decodificar<Manifiesto>(manifiesto(std::string(kApp) + "," + sinUrl));
  ASSERT_FALSE(r);
  EXPECT_NE(r.error().find("apps[1].url"), std::string::npos) << r.error();

  auto tipo = decodificar<Manifiesto>(manifiesto(R"({"id":5})"));
  ASSERT_FALSE(tipo);
  EXPECT_NE(tipo.error().find("apps[0].id"), std::string::npos) << tipo.error();

  auto nulo = decodificar<Manifiesto>(R"({"formato":null,"version":1,"apps":[]})");
  EXPECT_FALSE(nulo);
  auto comp = decodificar<Manifiesto>(manifiesto(kApp, R"(,"componentes":[{"id":"c"}])"));
  EXPECT_FALSE(comp);
  auto aviso = decodificar<Manifiesto>(manifiesto(kApp, R"(,"avisos":[{"titulo":"t"}])"));
  EXPECT_FALSE(aviso);
}

// Whole numbers written as 1.5e9 or 2.0 are whole numbers; a fraction or a value past
// 64 bits is not, and fails the document as any wrong type does.
TEST(Manifiesto, EnterosEscritosConDecimalesOExponente) {
  auto app = [](const std::string& tam) {
    return decodificar<Manifiesto>(manifiesto(R"({"id":"v","nombre":"V","bundle":"b","app":"V.app",
      "version":"1","url":"v.zip","tam":)" + tam +
                                              "}"));
  };
  ASSERT_TRUE(app("1.5e9"));
  EXPECT_EQ(app("1.5e9").valor().apps[0].tam, 1'500'000'000);
  EXPECT_EQ(app("2.0").valor().apps[0].tam, 2);
  EXPECT_EQ(app("-0.0").valor().apps[0].tam, 0);
  for (auto malo : {"1.5", "1e19", "-1e19", "9.3e18"}) {
    auto r = app(malo);
    ASSERT_FALSE(r) << malo;
    EXPECT_NE(r.error().find("apps[0].tam"), std::string::npos) << r.error();
  }
}

TEST(Manifiesto, OpcionalesNullSonAusentesYEmbebidosDecodifican) {
  auto r = decodificar<Manifiesto>(manifiesto(
      R"({"id":"v","nombre":"V","bundle":"b","app":"V.app","version":"1","url":"u","build":null})",
      R"(,"usuario":{"nombre":"Ana","email":"a@b.c","rol":"r","canal":"beta"},
         "avisos":[{"id":3,"titulo":"Hola"}],
         "skills":[{"id":"sk","nombre":"S","dueno":{"email":"d@e.f"}}],
         "componentes":[{"id":"c","nombre":"C","app":"Video","version":"2","url":"c.zip",
                         "usos":{"k":[1,true,null,"x"]}}])"));
  ASSERT_TRUE(r) << r.error();
  const auto& m = r.valor();
  EXPECT_FALSE(m.apps[0].build);
  EXPECT_EQ(m.usuario->canal, "beta");
  EXPECT_EQ(m.avisos[0].id, 3);
  EXPECT_EQ(m.skills[0].dueno->email, "d@e.f");
  // The free-form value keeps each kind: a boolean never turns into a number.
  const auto& usos = std::get<ValorJSON::Mapa>(m.componentes[0].usos->v);
  const auto& lista = std::get<ValorJSON::Lista>(usos.at("k").v);
  ASSERT_EQ(lista.size(), 4u);
  EXPECT_TRUE(std::holds_alternative<double>(lista[0].v));
  EXPECT_TRUE(std::holds_alternative<bool>(lista[1].v));
  EXPECT_TRUE(std::holds_alternative<ValorJSON::Nulo>(lista[2].v));
  EXPECT_TRUE(std::holds_alternative<std::string>(lista[3].v));
  EXPECT_EQ(m.componentes[0].aJson()["usos"], Json::parse(R"({"k":[1.0,true,null,"x"]})"));
  // And the whole manifest survives a round trip.
  EXPECT_EQ(decodificar<Manifiesto>(m.aJson().dump()).valor(), m);
}

TEST(Manifiesto, EntradaHostilNoRompe) {
  EXPECT_FALSE(decodificar<Manifiesto>("[]"));
  EXPECT_FALSE(decodificar<Manifiesto>("{\"formato\":"));
  EXPECT_FALSE(decodificar<Manifiesto>(std::string("{\"formato\":\"\xff\xfe\"}")));
  EXPECT_FALSE(decodificar<Manifiesto>(std::string(100000, '[') + std::string(100000, ']')));
  EXPECT_FALSE(
      decodificar<Manifiesto>(R"({"formato":"f","version":99999999999999999999,"apps":[]})"));
  EXPECT_FALSE(decodificar<Manifiesto>(R"({"formato":"f","version":1.5,"apps":[]})"));
}

TEST(Ajustes, ClavesOrdenadasYEquipoAusenteSeOmite) {
  auto a = Ajustes::porDefecto("/demo");
  a.avisar["x"] = true;
  std::string texto = jsonBonito(a.aJson());
  EXPECT_EQ(texto.find("equipo"), std::string::npos);
  auto pos = [&](const char* k) { return texto.find(std::string("\"") + k + "\""); };
  EXPECT_LT(pos("avisar"), pos("componentes"));
  EXPECT_LT(pos("componentes"), pos("fuente"));
  EXPECT_LT(pos("fuente"), pos("instalarAlCerrar"));
  EXPECT_NE(texto.find('\n'), std::string::npos);
}

TEST(Ajustes, ArchivoIncompletoOMaloDaLosValoresPorDefectoSinTocarlo) {
  CarpetaTemporal t;
  auto defecto = Ajustes::porDefecto("https://orvo.example/");
  auto sinEquipo = t.escribir(
      "a.json", R"({"fuente":"/x","instalarAlCerrar":false,"componentes":{},"avisar":{"n":true}})");
  auto leido = leerDocumento(sinEquipo, defecto);
  EXPECT_EQ(leido.fuente, "/x");
  EXPECT_FALSE(leido.instalarAlCerrar);
  EXPECT_FALSE(leido.equipo);

  std::string incompleto = R"({"fuente":"/x","instalarAlCerrar":false,"componentes":{}})";
  auto sinAvisar = t.escribir("b.json", incompleto);
  EXPECT_EQ(leerDocumento(sinAvisar, defecto), defecto);
  EXPECT_EQ(prueba::leer(sinAvisar), incompleto);
  EXPECT_EQ(leerDocumento(t / "no-existe.json", defecto), defecto);
}

TEST(Registro, FechasEstrictasYIdaYVuelta) {
  CarpetaTemporal t;
  Registro r;
  r.apps["video"] = {"1.2", "b7", *leerFecha("2025-03-01T12:00:00Z")};
  r.apps["slides"] = {"3", std::nullopt, *leerFecha("2025-03-01T13:00:00+01:00")};
  ASSERT_FALSE(guardarDocumento(t / "registro.json", r.aJson()));
  std::string texto = prueba::leer(t / "registro.json");
  EXPECT_NE(texto.find("\"2025-03-01T12:00:00Z\""), std::string::npos);
  EXPECT_EQ(leerDocumento(t / "registro.json", Registro{}), r);

  auto fraccion =
      t.escribir("f.json", R"({"apps":{"v":{"version":"1","fecha":"2025-03-01T12:00:00.5Z"}}})");
  EXPECT_TRUE(leerDocumento(fraccion, Registro{}).apps.empty());
}

TEST(Fechas, FormatoYAnalisis) {
  EXPECT_EQ(textoFecha(*leerFecha("2024-02-29T23:59:59Z")), "2024-02-29T23:59:59Z");
  EXPECT_EQ(textoFecha(*leerFecha("2025-03-01T12:00:00-0230")), "2025-03-01T14:30:00Z");
  for (const char* malo : {"2025-03-01T12:00:00", "2025-02-30T12:00:00Z", "2025-03-01 12:00:00Z",
                           "2025-03-01T24:00:00Z", "2025-03-01T12:00:00.000Z",
                           "2025-03-01T12:00:00+1:00", "", "2025-03-01T12:00:00Zjunk"})
    EXPECT_FALSE(leerFecha(malo)) << malo;
}
