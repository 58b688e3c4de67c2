// SIGKILL of the real program right before and right after the rename that places a
// skill's first copy and the exchange that updates it (strace stops it at that very
// system call), with the skills folder on the data folder's file system and on a tmpfs of
// its own. Right after the restart the records name the folder that is there, and nothing
// staged is left in the skills folder.
#include <gtest/gtest.h>

#include <csignal>

#include "apoyo/app_prueba.h"
#include "apoyo/bundles_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"
#include "apoyo/servicio_prueba.h"
#include "apoyo/tmpfs.h"
#include "catalogo/registros.h"
#include "comun/archivos.h"
#include "skills/huella.h"
#include "skills/registros.h"
#include "ventana/sesion.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

// Where strace stops the program: at the entry of the first rename that names the skill's
// folder (it never runs), or once it has returned.
enum class Momento { antes, despues };
constexpr const char* kEnlace = " 'orvosuite://skill/instalar?id=hola'";

struct Maquina {
  explicit Maquina(bool otroDisco) {
    if (otroDisco) disco = std::make_unique<Tmpfs>(t / "skills", 64u << 20);
    fs::create_directories(t / "skills");
    servicio.clienteEn(t / "datos", "tok");
    t.escribir("config/orvo-suite/preferencias.ini", "[Orvo Suite]\nyaAbierta=true\n");
  }

  // Release `v` of "hola": what the service offers and the manifest lists.
  void publicar(int v) {
    auto n = std::to_string(v);
    Json s = publicarSkill(servidor, servicio, "hola", n,
                           {{"SKILL.md", "# hola " + n + "\n"},
                            {"skill.json", R"({"id":"hola"})"},
                            {"guia/uso.md", std::string(20000, 'a' + v)}});
    auto manifiesto = Json::parse(manifiestoDe({}));
    manifiesto["skills"] = Json::array({s});
    servicio.manifiesto("tok", manifiesto.dump());
  }

  // The program asked for "hola", stopped by strace at `momento` of that rename and killed.
  void matarAlColocar(Momento momento, int v) {
    std::string inyectar = momento == Momento::antes ? "signal=KILL" : "delay_exit=60000000";
    ProcesoPrueba programa(guionDelPrograma(
        t, "correr.sh", "",
        "strace -f -qq -o /dev/null -P '" + (t / "skills/hola").string() +
            "' -e trace=rename,renameat,renameat2 -e inject=rename,renameat,renameat2:" + inyectar +
            ":when=1 " ORVO_BINARIO + kEnlace));
    if (momento == Momento::despues) {
      // Held just after the rename: the new copy is in place, nothing after it has run.
      ASSERT_TRUE(esperarQue([&] { return copia() == v; }, 60)) << salida();
      auto pid = std::atoi(ejecutar("pgrep -P " + std::to_string(programa.pid())).texto.c_str());
      ASSERT_GT(pid, 0);
      ::kill(pid, SIGKILL);
      // strace would let a program it no longer holds run on: it goes only once the
      // kill is pending for the whole program, which then never runs another instruction.
      auto estado = "/proc/" + std::to_string(pid) + "/status";
      EXPECT_TRUE(esperarQue([&] {
        auto st = leerArchivo(estado).value_or("");
        auto i = st.find("ShdPnd:");
        return i != std::string::npos && (std::stoull(st.substr(i + 7), nullptr, 16) & 0x100);
      })) << leerArchivo(estado).value_or("");
      programa.matar();
    }
    programa.esperar();
  }

  // A run asked for "hola", stopped once it is recorded; or, without the link, a second
  // start stopped once its first refresh is answered. The records then.
  InstaladasSkills arrancar(bool enlace) {
    auto feeds = servidor.peticionesDe("feed").size();
    ProcesoPrueba programa(
        guionDelPrograma(t, "correr.sh", "", std::string(ORVO_BINARIO) + (enlace ? kEnlace : "")));
    auto hecho = [&] {
      return enlace ? !registros().skills.empty() : servidor.peticionesDe("feed").size() > feeds;
    };
    EXPECT_TRUE(esperarQue(hecho, 60)) << salida();
    return registros();
  }
  InstaladasSkills registros() const {
    return leerDocumento(t / "datos/skills/instaladas.json", InstaladasSkills{});
  }
  // The release in the skills folder; 0 when none is.
  int copia() const {
    auto md = leerArchivo(t / "skills/hola/SKILL.md").value_or("# hola 0");
    return std::stoi(md.substr(7));
  }
  // What else the skills folder holds.
  std::string restos() const {
    std::string r;
    for (const auto& e : fs::directory_iterator(t / "skills"))
      if (e.path().filename() != "hola") r += e.path().filename().string() + " ";
    return r;
  }
  std::string salida() const {
    return leerArchivo(t / "salida.txt").value_or("") +
           leerArchivo(t / "datos/suite.log").value_or("");
  }

  CarpetaTemporal t;
  std::unique_ptr<Tmpfs> disco;
  ServidorPrueba servidor;
  ServicioPrueba servicio{servidor};
};

// Every kill point, each on a machine of its own: the first copy's rename, then the
// exchange that brings release 2 over release 1.
void campana(bool otroDisco) {
  if (ejecutar("strace -f -qq -o /dev/null true 2>&1").estado != 0)
    GTEST_SKIP() << "strace no puede seguir procesos aquí";
  int bien = 0;
  for (auto momento : {Momento::antes, Momento::despues})
    for (bool primera : {true, false}) {
      Maquina m(otroDisco);
      if (m.disco && !m.disco->montado()) GTEST_SKIP() << "montar tmpfs necesita root";
      SCOPED_TRACE(std::string(primera ? "primera copia" : "cambio") +
                   (momento == Momento::antes ? ", antes" : ", después"));
      m.publicar(1);
      if (!primera) {
        m.arrancar(true);
        m.publicar(2);
      }
      int esperada = primera ? 1 : 2;
      m.matarAlColocar(momento, esperada);
      int queda = m.copia();
      EXPECT_EQ(queda, momento == Momento::antes ? esperada - 1 : esperada);
      // The restart's refresh publishes what stayed, so nothing is fetched meanwhile.
      m.publicar(std::max(queda, 1));
      auto d = m.arrancar(false);
      bool ok = queda == 0 ? d.skills.empty()
                           : d.skills.size() == 1 && d.skills[0].version == std::to_string(queda) &&
                                 d.skills[0].huella == huella(m.t / "skills/hola") &&
                                 !d.skills[0].modificada;
      ok = ok && d.errores.empty() && m.restos().empty();
      bien += ok;
      EXPECT_TRUE(ok) << (d.skills.empty() ? "sin registro" : d.skills[0].aJson().dump())
                      << " restos: " << m.restos() << "\n"
                      << m.salida();
    }
  std::printf("%s: %d de 4 muertes dejaron el registro de la carpeta que quedó\n",
              otroDisco ? "skills en otro sistema de archivos" : "un sistema de archivos", bien);
}

}  // namespace

TEST(MatarSkill, AlColocarEnUnSistemaDeArchivos) { campana(false); }
TEST(MatarSkill, AlColocarConLasSkillsEnOtroSistema) { campana(true); }
