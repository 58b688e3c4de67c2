#include <gtest/gtest.h>

#include <unistd.h>

#include "apoyo/carpeta_temporal.h"
#include "plataforma/linux/equipo_info.h"

using namespace orvo;

TEST(EquipoInfo, LeeNombresYVersionesConComillas) {
  prueba::CarpetaTemporal t;
  auto os = t.escribir("os-release",
                       "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian \\\"doce\\\" (bookworm)\"\n"
                       "ID=debian\nVERSION_ID='12'\n");
  EXPECT_EQ(valorDeArchivoShell(os, "VERSION_ID"), "12");
  EXPECT_FALSE(valorDeArchivoShell(os, "VERSION"));
  auto v = versionDelSistema(os);
  EXPECT_EQ(v.rfind("Debian \"doce\" (bookworm) (Linux ", 0), 0u) << v;

  EXPECT_EQ(nombreDelEquipo(t.escribir("mi", "PRETTY_HOSTNAME=\"Portátil de Ana\"\n")),
            "Portátil de Ana");
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  EXPECT_EQ(nombreDelEquipo(t / "no-existe"), host);
  EXPECT_EQ(nombreDelEquipo(t.escribir("vacio", "PRETTY_HOSTNAME=\n")), host);
}
