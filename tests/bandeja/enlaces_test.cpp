// The rules of the orvosuite links, each batch with the calls it must make, in order.
#include "shell/enlaces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvo {
namespace {

TEST(Enlaces, ReglasDeCadaLote) {
  struct Caso {
    std::vector<std::string> urls, llamadas;
  } casos[] = {
      // Skills first, then components, each in order; one refresh for the whole batch.
      {{"orvosuite://componente/instalar?id=c1", "orvosuite://skill/quitar?id=s1",
        "orvosuite://componente/quitar?id=c2", "orvosuite://skill/revisar",
        "orvosuite://skill/instalar?id=s2&confirmada=1&forzar=1",
        "orvosuite://componente/revisar?id=x"},
       {"skill quitar s1", "revisar", "skill instalar s2 confirmada forzar",
        "componente instalar c1", "componente quitar c2"}},
      // Comparisons are exact.
      {{"orvosuite://Skill/instalar?id=a", "orvosuite://skill/Instalar?id=a",
        "ORVOSUITE://skill/instalar?id=a", "orvo://skill/instalar?id=a",
        "orvosuite://skills/instalar?id=a", "orvosuite://skill/borrar?id=a",
        "orvosuite:skill/instalar?id=a", "orvosuite://skill?id=a", "orvosuite://skill/?id=a",
        "orvosuite:///instalar?id=a", "orvosuite://skill/instalar?ID=a", "", "no es un enlace"},
       {}},
      // The action is the last path component, as a URL gives it, percent-decoded.
      {{"orvosuite://skill/x/instalar/?id=a", "orvosuite://sk%69ll/instal%61r?id=b",
        "orvosuite://skill/instal%6?id=c"},
       {"skill instalar a", "skill instalar b"}},
      // An id must be there and not empty; the first item named id decides.
      {{"orvosuite://skill/instalar", "orvosuite://skill/instalar?id",
        "orvosuite://componente/quitar?id=", "orvosuite://skill/instalar?id=uno&id=dos",
        "orvosuite://skill/instalar?id&id=tres"},
       {"skill instalar uno"}},
      // Flags only for exactly "1", the first of a name deciding; values percent-decoded.
      {{"orvosuite://skill/instalar?id=a&confirmada=true&forzar=yes",
        "orvosuite://skill/instalar?id=b&confirmada=01&forzar",
        "orvosuite://skill/instalar?forzar=1&id=c&confirmada=1&confirmada=0",
        "orvosuite://skill/instalar?id=mi%20skill+%26co&con%66irmada=1"},
       {"skill instalar a", "skill instalar b", "skill instalar c confirmada forzar",
        "skill instalar mi skill+&co confirmada"}},
  };
  for (const auto& c : casos) {
    std::vector<std::string> llamadas;
    manejarEnlaces(
        c.urls,
        {[&](const std::string& accion, const std::string& id, bool confirmada, bool forzar) {
           llamadas.push_back("skill " + accion + " " + id + (confirmada ? " confirmada" : "") +
                              (forzar ? " forzar" : ""));
         },
         [&](const std::string& accion, const std::string& id) {
           llamadas.push_back("componente " + accion + " " + id);
         },
         [&] { llamadas.push_back("revisar"); }});
    EXPECT_EQ(llamadas, c.llamadas) << c.urls[0];
  }
  // Missing destinations are not called.
  manejarEnlaces({"orvosuite://skill/instalar?id=a", "orvosuite://componente/revisar"}, {});
}

}  // namespace
}  // namespace orvo
