// The whole program on a display and a session bus of its own: a skill link given to a
// second launch is installed by the running one from the test server.
#include <gtest/gtest.h>

#include <fstream>

#include "apoyo/bundles_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"
#include "apoyo/servicio_prueba.h"
#include "comun/archivos.h"
#include "comun/json_estricto.h"
#include "comun/sha256.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

// A script for ProcesoPrueba: `preludio`, then `orden` with its output in `salida`.
fs::path guion(CarpetaTemporal& t, const std::string& nombre, const std::string& preludio,
               const std::string& orden, const fs::path& salida) {
  auto ruta = t.escribir(
      nombre, "#!/bin/sh\n" + preludio + "exec " + orden + " >'" + salida.string() + "' 2>&1\n");
  fs::permissions(ruta, fs::perms(0755));
  return ruta;
}

}  // namespace

TEST(ProgramaConBandeja, UnEnlaceDeOtroArranqueInstalaLaSkill) {
  CarpetaTemporal t;
  ServidorPrueba servidor;
  ServicioPrueba servicio(servidor);
  servicio.usuario("ana@orvo.test", "secreta", "tok-ana");
  servicio.manifiesto("tok-ana",
                      Json{{"formato", "f"}, {"version", 1}, {"apps", Json::array()}}.dump());
  // The skill's archive and the service's answer about it.
  t.escribir("obra/SKILL.md", "# Resumir\n");
  t.escribir("obra/skill.json", Json{{"id", "resumir"}}.dump());
  auto zip =
      ejecutar("cd '" + (t / "obra").string() +
               "' && /usr/bin/python3 -m zipfile -c ../resumir.zip SKILL.md skill.json 2>&1");
  ASSERT_EQ(zip.estado, 0) << zip.texto;
  servidor.publicar("/resumir.zip", ArchivoPrueba{leerArchivo(t / "resumir.zip").value()});
  servicio.skill("resumir", Json{{"skill",
                                  {{"id", "resumir"},
                                   {"nombre", "Resumir"},
                                   {"version", "1.0"},
                                   {"url", "resumir.zip"},
                                   {"sha256", sha256(t / "resumir.zip").value()}}}}
                                .dump());

  auto entorno = "export HOME='" + (t / "casa").string() + "' XDG_CONFIG_HOME='" +
                 (t / "config").string() + "' XDG_DATA_HOME='" + (t / "xdg").string() +
                 "' OV_DATOS='" + (t / "datos").string() + "' OV_DESTINO='" +
                 (t / "apps").string() + "' OV_SKILLS='" + (t / "skills").string() +
                 "' OV_PRUEBA_WEB='" ORVO_PAGINAS "'\n";
  fs::create_directories(t / "apps");
  ProcesoPrueba primero(
      guion(t, "primero.sh",
            entorno + "export OV_PRUEBA_LOGIN='" + servidor.base() + "|ana@orvo.test|secreta'\n",
            ORVO_BINARIO, t / "salida.txt"));
  auto salida = [&] { return leerArchivo(t / "salida.txt").value_or(""); };

  // Signed in, the manifest loaded: a later launch hands its link over and ends.
  ASSERT_TRUE(esperarQue([&] { return !servidor.peticionesDe("feed").empty(); }, 60)) << salida();
  auto enlace = ejecutar(entorno + "timeout 30 " ORVO_BINARIO
                                   " 'orvosuite://skill/instalar?id=resumir' 2>&1");
  EXPECT_EQ(enlace.estado, 0) << enlace.texto;
  ASSERT_TRUE(esperarQue([&] { return fs::exists(t / "skills/resumir/SKILL.md"); }, 30))
      << salida() << leerArchivo(t / "datos/suite.log").value_or("");
  ASSERT_EQ(servidor.peticionesDe("skill_ver").size(), 1u);
  EXPECT_EQ(Json::parse(servidor.peticionesDe("skill_ver")[0].cuerpo)["id"], "resumir");
  // The record follows the folder into place.
  auto instaladas = [&] { return leerArchivo(t / "datos/skills/instaladas.json").value_or(""); };
  EXPECT_TRUE(esperarQue([&] { return instaladas().find("resumir") != std::string::npos; }, 10))
      << instaladas();
  EXPECT_EQ(kill(primero.pid(), 0), 0);  // still running
}
