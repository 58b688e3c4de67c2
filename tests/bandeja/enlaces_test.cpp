#include "shell/enlaces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvo {
namespace {

// Every call the links make, in order, as one line each.
std::vector<std::string> atender(const std::vector<std::string>& urls) {
  std::vector<std::string> llamadas;
  DestinosEnlace d{
      [&](const std::string& accion, const std::string& id, bool confirmada, bool forzar) {
        llamadas.push_back("skill " + accion + " " + id + (confirmada ? " confirmada" : "") +
                           (forzar ? " forzar" : ""));
      },
      [&](const std::string& accion, const std::string& id) {
        llamadas.push_back("componente " + accion + " " + id);
      },
      [&] { llamadas.push_back("revisar"); }};
  manejarEnlaces(urls, d);
  return llamadas;
}

using Llamadas = std::vector<std::string>;

TEST(Enlaces, SkillsFirstThenComponentsEachInOrder) {
  EXPECT_EQ(atender({"orvosuite://componente/instalar?id=c1", "orvosuite://skill/quitar?id=s1",
                     "orvosuite://componente/quitar?id=c2", "orvosuite://skill/revisar",
                     "orvosuite://skill/instalar?id=s2&confirmada=1&forzar=1"}),
            (Llamadas{"skill quitar s1", "revisar", "skill instalar s2 confirmada forzar",
                      "componente instalar c1", "componente quitar c2"}));
  EXPECT_EQ(atender({"orvosuite://componente/revisar?id=x"}), Llamadas{"revisar"});
}

TEST(Enlaces, ComparisonsAreExact) {
  EXPECT_EQ(atender({"orvosuite://Skill/instalar?id=a", "orvosuite://skill/Instalar?id=a",
                     "ORVOSUITE://skill/instalar?id=a", "orvo://skill/instalar?id=a",
                     "orvosuite://skills/instalar?id=a", "orvosuite://skill/borrar?id=a",
                     "orvosuite:skill/instalar?id=a", "orvosuite://skill?id=a",
                     "orvosuite://skill/?id=a", "orvosuite:///instalar?id=a",
                     "orvosuite://skill/instalar?ID=a", "", "no es un enlace"}),
            Llamadas{});
  // The action is the last path component, as a URL gives it.
  EXPECT_EQ(atender({"orvosuite://skill/x/instalar/?id=a"}), Llamadas{"skill instalar a"});
}

TEST(Enlaces, IdMustBePresentAndNotEmpty) {
  EXPECT_EQ(atender({"orvosuite://skill/instalar",
                     "orvosuite://skill/instalar?id=", "orvosuite://skill/instalar?id",
                     "orvosuite://componente/quitar?id=", "orvosuite://componente/quitar?otro=1"}),
            Llamadas{});
  // The first item named id decides, even when it has no value.
  EXPECT_EQ(atender({"orvosuite://skill/instalar?id=uno&id=dos",
                     "orvosuite://skill/instalar?id&id=tres"}),
            Llamadas{"skill instalar uno"});
}

TEST(Enlaces, FlagsOnlyForExactlyOne) {
  EXPECT_EQ(atender({"orvosuite://skill/instalar?id=a&confirmada=true&forzar=yes",
                     "orvosuite://skill/instalar?id=b&confirmada=01&forzar",
                     "orvosuite://skill/instalar?forzar=1&id=c&confirmada=1&confirmada=0",
                     "orvosuite://skill/instalar?id=d&confirmada=0&confirmada=1"}),
            (Llamadas{"skill instalar a", "skill instalar b", "skill instalar c confirmada forzar",
                      "skill instalar d"}));
}

TEST(Enlaces, QueryValuesArePercentDecoded) {
  EXPECT_EQ(atender({"orvosuite://skill/instalar?id=mi%20skill%26co&con%66irmada=1"}),
            Llamadas{"skill instalar mi skill&co confirmada"});
  EXPECT_EQ(valorConsulta("a=1+2&b", "a"), "1+2");
  EXPECT_EQ(valorConsulta("a=x=y", "a"), "x=y");
  EXPECT_EQ(valorConsulta("&&a=", "a"), "");
  EXPECT_EQ(valorConsulta("b", "b"), std::nullopt);
}

TEST(Enlaces, MissingDestinationsAreNotCalled) {
  manejarEnlaces({"orvosuite://skill/instalar?id=a", "orvosuite://componente/revisar"}, {});
}

}  // namespace
}  // namespace orvo
