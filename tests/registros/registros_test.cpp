// The strict records: where a bad document fails, whole numbers, optional values, dates.
#include <gtest/gtest.h>

#include "apoyo/carpeta_temporal.h"
#include "catalogo/registros.h"

using namespace orvo;
using prueba::CarpetaTemporal;

namespace {

const char* kApp = R"({"id":"video","nombre":"Video","bundle":"com.orvo.video","app":"Video.app",
  "version":"1.2","url":"video.zip","tam":10,"extra":1})";

std::string manifiesto(const std::string& apps, const std::string& resto = "") {
  return R"({"formato":"orvo","version":1,"apps":[)" + apps + "]" + resto + "}";
}

// One app whose size is written as `tam`.
std::string conTam(const std::string& tam) {
  return manifiesto(R"({"id":"v","nombre":"V","bundle":"b","app":"V.app","version":"1",)"
                    R"("url":"v.zip","tam":)" +
                    tam + "}");
}

}  // namespace

// Whole numbers written as 1.5e9 or 2.0 are whole numbers; a fraction or a value past
// 64 bits is not, and fails the document as any wrong type does.
TEST(Manifiesto, UnElementoMaloFallaTodoYDiceDonde) {
  std::string sinUrl = R"({"id":"b","nombre":"B","bundle":"x","app":"B.app","version":"1"})";
  const std::pair<std::string, std::string> casos[] = {
      {manifiesto(std::string(kApp) + "," + sinUrl), "apps[1].url"},
      {manifiesto(R"({"id":5})"), "apps[0].id"},
      {R"({"formato":null,"version":1,"apps":[]})", "formato"},
      {manifiesto(kApp, R"(,"componentes":[{"id":"c"}])"), "componentes[0]"},
      {manifiesto(kApp, R"(,"avisos":[{"titulo":"t"}])"), "avisos[0]"},
      {R"({"formato":"f","version":1.5,"apps":[]})", "version"},
      {R"({"formato":"f","version":99999999999999999999,"apps":[]})", ""},
      {conTam("1.5"), "apps[0].tam"},
      {conTam("1e19"), "apps[0].tam"},
      {conTam("-1e19"), "apps[0].tam"},
      {conTam("9.3e18"), "apps[0].tam"},
      {std::string(100000, '[') + std::string(100000, ']'), ""}};
  for (const auto& [texto, donde] : casos) {
    auto r = decodificar<Manifiesto>(texto);
    ASSERT_FALSE(r) << texto.substr(0, 80);
    EXPECT_NE(r.error().find(donde), std::string::npos) << r.error();
  }
  EXPECT_EQ(decodificar<Manifiesto>(conTam("1.5e9")).valor().apps[0].tam, 1'500'000'000);
  EXPECT_EQ(decodificar<Manifiesto>(conTam("2.0")).valor().apps[0].tam, 2);
  EXPECT_EQ(decodificar<Manifiesto>(conTam("-0.0")).valor().apps[0].tam, 0);
}

TEST(Manifiesto, OpcionalesNullSonAusentesYEmbebidosDecodifican) {
  auto r = decodificar<Manifiesto>(manifiesto(
      R"({"id":"v","nombre":"V","bundle":"b","app":"V.app","version":"1","url":"u","build":null})",
      R"(,"usuario":{"nombre":"Ana","email":"a@b.c","rol":"r","canal":"beta"},
         "avisos":[{"id":3,"titulo":"Hola"}],
         "componentes":[{"id":"c","nombre":"C","app":"Video","version":"2","url":"c.zip",
                         "usos":{"k":[1,true,null,"x",1.5]}}])"));
  ASSERT_TRUE(r) << r.error();
  const auto& m = r.valor();
  EXPECT_FALSE(m.apps[0].build);
  // The free-form value keeps each kind (a boolean never turns into a number, a whole number
  // goes back as it came).
  EXPECT_EQ(m.componentes[0].aJson()["usos"].dump(), R"({"k":[1,true,null,"x",1.5]})");
}

TEST(Documentos, IncompletosDanLosValoresPorDefectoYLasFechasSonEstrictas) {
  CarpetaTemporal t;
  auto defecto = Ajustes::porDefecto("https://orvo.example/");
  std::string incompleto = R"({"fuente":"/x","instalarAlCerrar":false,"componentes":{}})";
  auto sinAvisar = t.escribir("b.json", incompleto);
  EXPECT_EQ(leerDocumento(sinAvisar, defecto), defecto);
  EXPECT_EQ(prueba::leer(sinAvisar), incompleto);

  // A record whose date is not strict is not read.
  auto fraccion =
      t.escribir("f.json", R"({"apps":{"v":{"version":"1","fecha":"2025-03-01T12:00:00.5Z"}}})");
  EXPECT_TRUE(leerDocumento(fraccion, Registro{}).apps.empty());

  EXPECT_EQ(textoFecha(*leerFecha("2024-02-29T23:59:59Z")), "2024-02-29T23:59:59Z");
  EXPECT_EQ(textoFecha(*leerFecha("2025-03-01T12:00:00-0230")), "2025-03-01T14:30:00Z");
  for (const char* malo :
       {"2025-03-01T12:00:00", "2025-02-30T12:00:00Z", "2025-03-01 12:00:00Z",
        "2025-03-01T24:00:00Z", "2025-03-01T12:00:00+1:00", "", "2025-03-01T12:00:00Zjunk"})
    EXPECT_FALSE(leerFecha(malo)) << malo;
}
