// Requests, synchronisation and removal through the real test server, real zips, real
// folders and a real Trash, on the managers of NucleoEnServidor with a skills folder and a
// freedesktop Trash of the test's own.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>

#include "apoyo/nucleo_servidor.h"
#include "apoyo/tmpfs.h"
#include "apoyo/zip_prueba.h"
#include "comun/archivos.h"
#include "comun/carpeta_trabajo.h"
#include "comun/fechas.h"
#include "comun/sha256.h"
#include "skills/huella.h"

namespace orvo::prueba {
namespace {

namespace fs = std::filesystem;

// GIO reads XDG_DATA_HOME once per process, so the Trash folder is set before main, before
// any GLib call can read the variable.
fs::path papeleraDelProceso() {
  // Never destroyed: the exit handler that removes the folder runs after static destructors.
  static const fs::path* ruta = [] {
    char plantilla[] = "/tmp/orvo-xdg-XXXXXX";
    auto p = new fs::path(::mkdtemp(plantilla));
    ::setenv("XDG_DATA_HOME", p->c_str(), 1);
    std::atexit([] {
      std::error_code e;
      fs::remove_all(papeleraDelProceso(), e);
    });
    return p;
  }();
  return *ruta;
}
const fs::path kPapelera = papeleraDelProceso();

const std::string kEditada =
    "La editaste a mano: para reemplazarla con la publicada, pide instalar con forzar=1";

Json conSkill(const Json& skill) { return Json{{"skill", skill}}; }

class Skills_ : public NucleoEnServidor {
 protected:
  Skills_() : NucleoEnServidor("T1") {
    skills().alCambiar = [this] {
      if (!skills().descargando(ultimo_)) ++terminados;
    };
  }
  // Starts with one manifest loaded, so requests are not held for it.
  void SetUp() override { revisar(Json::array()); }

  Skills& skills() { return nucleo().skills(); }
  std::optional<SkillInstalada> inst(const std::string& id) { return skills().instalada(id); }
  // The archive served at /<id>-<version>.zip and the skill record that publishes it.
  Json publicar(const std::string& id, const std::string& version, const Entradas& entradas = {}) {
    auto zip = zipDe(entradas.empty() ? Entradas{{"SKILL.md", "# " + id + " " + version + "\n"},
                                                 {"skill.json", Json{{"id", id}}.dump()}}
                                      : entradas);
    std::string ruta = "/" + id + "-" + version + ".zip";
    servidor.publicar(ruta, ArchivoPrueba{zip});
    return {{"id", id},
            {"nombre", "Skill " + id},
            {"version", version},
            {"url", ruta.substr(1)},
            {"sha256", *sha256(t.escribir("zips" + ruta, zip))},
            {"alcance", "equipo"},
            {"dueno", {{"nombre", "Ana"}, {"email", "ana@orvo.example"}}}};
  }
  // Runs a manifest refresh with these `skills` and `skills_quitar` lists.
  void revisar(const Json& publicadas, const Json& quitar = Json::array()) {
    manifiesto({{"skills", publicadas}, {"skills_quitar", quitar}});
    NucleoEnServidor::revisar();
  }
  // A request, run until the manager has nothing more to do for it.
  void pedir(const std::string& accion, const std::string& id, bool confirmada = false,
             bool forzar = false) {
    ultimo_ = id;
    int antes = terminados;
    skills().pedir(accion, id, confirmada, forzar);
    ASSERT_TRUE(bucle.esperarHasta([&] { return terminados > antes; })) << "request " << id;
  }
  // Offers `id` at `version` and installs it through a request.
  Json instalar(const std::string& id, const std::string& version) {
    auto s = publicar(id, version);
    servicio.skill(id, conSkill(s).dump());
    pedir("instalar", id);
    EXPECT_EQ(error(id), "");
    EXPECT_TRUE(fs::exists(destino / id / "SKILL.md"));
    return s;
  }
  std::string error(const std::string& id) {
    auto d = skills().leer();
    auto e = d.errores.find(id);
    return e == d.errores.end() ? "" : e->second;
  }
  size_t descargasDe(const std::string& id, const std::string& version) const {
    size_t n = 0;
    for (const auto& p : servidor.peticiones()) n += p.ruta == "/" + id + "-" + version + ".zip";
    return n;
  }
  // The names left in the skills data folder's staging area.
  std::vector<std::string> preparando() const {
    std::vector<std::string> nombres;
    std::error_code e;
    for (const auto& x : fs::directory_iterator(datos / "skills/.preparando", e))
      nombres.push_back(x.path().filename().string());
    return nombres;
  }

  fs::path destino = t / "casa/.claude/skills";
  int terminados = 0;

 private:
  std::string ultimo_;
};

TEST_F(Skills_, InstalaLoPedidoConConfirmacionLosPedidosRepetidosSeUnenYEsperanAlManifiesto) {
  auto s = publicar("hola", "1.0");
  s["requiere_confirmacion"] = true;
  servicio.skill("hola", conSkill(s).dump());
  pedir("instalar", "hola");
  EXPECT_EQ(error("hola"),
            "Es una skill pública de otra persona: hay que confirmarla (confirmada=1) antes de "
            "instalarla");

  // A flood of requests joins the first: one lookup, one download, and the confirmation
  // one of them carries counts.
  for (int i = 0; i < 50; ++i) skills().pedir("instalar", "hola", i == 30, false);
  ASSERT_TRUE(bucle.esperarHasta([&] { return inst("hola") && !skills().descargando("hola"); }));
  bucle.procesar();
  EXPECT_EQ(error("hola"), "");
  EXPECT_EQ(leer(destino / "hola/SKILL.md"), "# hola 1.0\n");
  EXPECT_TRUE(preparando().empty());
  // The test service answers only a lookup with the token and the id.
  EXPECT_EQ(servidor.peticionesDe("skill_ver").size(), 2u);
  EXPECT_EQ(descargasDe("hola", "1.0"), 1u);
  // The next usage report names it.
  revisar(Json::array());
  auto feed = servidor.peticionesDe("feed");
  EXPECT_EQ(analizarJson(feed.back().cuerpo).valor()["skills"], Json({"hola"}));

  // A request before a manifest is loaded waits for one.
  catalogo().manifiesto.reset();
  servicio.skill("luego", conSkill(publicar("luego", "1.0")).dump());
  skills().pedir("instalar", "luego", false, false);
  bucle.procesar();
  EXPECT_EQ(servidor.peticionesDe("skill_ver").size(), 2u);
  revisar(Json::array());
  ASSERT_TRUE(bucle.esperarHasta([&] { return inst("luego").has_value(); }));
}

TEST_F(Skills_, LoQueLlegaMalNoTocaLaCopiaBuena) {
  instalar("buena", "1.0");
  auto antes = *inst("buena");
  // Each release at an address of its own.
  int n = 0;
  auto publicada = [&](const Entradas& e = {}) {
    return conSkill(publicar("buena", "2." + std::to_string(++n), e));
  };
  auto conSha = publicada();
  conSha["skill"]["sha256"] = std::string(64, 'a');
  auto sinArchivo = publicada();
  sinArchivo["skill"]["url"] = "no-esta.zip";
  auto otra = conSkill(publicar("otra", "1.0"));
  const std::string descriptor = Json{{"id", "buena"}}.dump();
  // Served in place of the release's archive, without a digest.
  auto servir = [&](const std::string& zip) {
    auto s = publicada();
    s["skill"].erase("sha256");
    servidor.publicar("/" + s["skill"]["url"].get<std::string>(), ArchivoPrueba{zip});
    return s.dump();
  };
  // The skill's two files, then `mas`, written entry by entry.
  auto hostil = [&](std::vector<EntradaZip> mas) {
    mas.insert(mas.begin(),
               {{"SKILL.md", "archivo", "# x\n"}, {"skill.json", "archivo", descriptor}});
    return servir(hacerZip(t / "hostil.zip", mas));
  };
  const std::string no = "No pude descomprimir la skill: ";
  const std::string vueltas = no + "el zip trae enlaces que dan vueltas sobre sí mismos";

  const std::vector<std::pair<std::string, std::string>> casos = {
      {"{}", "Esa skill no está disponible para tu cuenta"},
      {R"({"error":"Solo para editores"})", "Solo para editores"},
      {otra.dump(), "Esa skill no está disponible para tu cuenta"},
      // A server's text is kept only this long.
      {Json{{"error", std::string(3u << 20, 'e')}}.dump(), std::string(1997, 'e') + "\u2026"},
      {"no es json", "No pude conectarme al servidor"},
      {servir("esto no es un zip"), no + "el archivo no es un zip que se pueda leer"},
      {hostil({{"ceros.bin", "ceros", "300"}}),
       no + "se expande mucho más de lo razonable para una skill"},
      {hostil({{"a", "enlace", "b"}, {"b", "enlace", "a"}}), vueltas},
      {hostil({{"refs/yo", "enlace", "."}}), vueltas},
      {conSha.dump(),
       "La descarga no coincide con la publicada (la huella es distinta). No instalé nada."},
      {sinArchivo.dump(), "El servidor respondió 404"},
      {publicada({{"skill.json", descriptor}}).dump(), "El zip no trae SKILL.md"},
      {publicada({{"SKILL.md", kEnlaceA + "skill.json"}, {"skill.json", descriptor}}).dump(),
       "El SKILL.md del zip es un enlace simbólico, no un archivo: no la instalé"},
      {publicada({{"SKILL.md", "x"}, {"skill.json", "{no"}}).dump(),
       "El zip no trae el skill.json de buena"},
      {publicada({{"SKILL.md", "x"}, {"skill.json", R"({"id":"otra"})"}}).dump(),
       "El zip no trae el skill.json de buena"},
      {publicada({{"SKILL.md", "x"},
                  {"skill.json", R"({"id":"buena","x":")" + std::string(2u << 20, 'x') + "\"}"}})
           .dump(),
       "El zip no trae el skill.json de buena"},
      {publicada({{"SKILL.md", "x"}, {"skill.json", descriptor}, {"../../fuera.md", "x"}}).dump(),
       no + "el zip trae rutas o enlaces que salen de su carpeta"},
  };
  for (const auto& [respuesta, mensaje] : casos) {
    servicio.skill("buena", respuesta);
    pedir("instalar", "buena", true, true);
    EXPECT_EQ(error("buena"), mensaje) << respuesta.substr(0, 200);
    EXPECT_EQ(*inst("buena"), antes);
    EXPECT_EQ(huella(destino / "buena"), antes.huella);
    EXPECT_TRUE(preparando().empty()) << mensaje;
  }
  EXPECT_EQ(skills().ids(), std::vector<std::string>{"buena"});

  // Modes that would hand the skill to others are not kept; what runs still runs.
  servicio.skill("buena", servir(hacerZip(t / "abierta.zip",
                                          {{"SKILL.md", "archivo", "# abierta\n", 06666},
                                           {"skill.json", "archivo", descriptor},
                                           {"bin/", "carpeta", "", 01777},
                                           {"bin/correr", "archivo", "#!/bin/sh\n", 06777}})));
  pedir("instalar", "buena", true, true);
  EXPECT_EQ(error("buena"), "");
  EXPECT_EQ(fs::status(destino / "buena/SKILL.md").permissions(), fs::perms(0644));
  EXPECT_EQ(fs::status(destino / "buena/bin").permissions(), fs::perms(0755));
  EXPECT_EQ(fs::status(destino / "buena/bin/correr").permissions(), fs::perms(0755));
}

TEST_F(Skills_, LoQueNoInstaloNoSeToca) {
  // Ids outside the rule never reach the service; those inside do.
  for (std::string malo :
       std::vector<std::string>{"a", "-ab", "Hola", "ho_la", "ho/la", "..", std::string(64, 'a')}) {
    skills().pedir("instalar", malo, true, true);
    skills().pedir("quitar", malo, false, false);
  }
  bucle.procesar();
  EXPECT_TRUE(servidor.peticionesDe("skill_ver").empty());
  EXPECT_TRUE(skills().leer().errores.empty());
  for (std::string bueno : std::vector<std::string>{"ab", "0-a", std::string(63, 'z')})
    pedir("instalar", bueno);
  EXPECT_EQ(servidor.peticionesDe("skill_ver").size(), 3u);

  // A folder it did not place is neither replaced nor removed, not even by the manifest.
  auto mia = t.escribir("casa/.claude/skills/mia/SKILL.md", "a mano");
  auto s = publicar("mia", "2.0");
  servicio.skill("mia", conSkill(s).dump());
  pedir("instalar", "mia", true, true);
  EXPECT_EQ(
      error("mia"),
      "Ya hay una skill «mia» en ~/.claude/skills que no instaló Orvo Suite: no la reemplazo");
  pedir("quitar", "mia");
  EXPECT_EQ(error("mia"), "Esa skill no la instaló Orvo Suite: no la quito");
  revisar(Json::array({s}), Json::array({"mia"}));
  bucle.procesar();
  EXPECT_EQ(leer(mia), "a mano");
  EXPECT_EQ(descargasDe("mia", "2.0"), 0u);
}

TEST_F(Skills_, UnRegistroIlegibleSeGuardaYSeRehaceConLoColocado) {
  instalar("lupa", "1.0");
  instalar("otra", "1.0");
  t.escribir("casa/.claude/skills/otra/SKILL.md", "editada");
  // Damaged twice, the second time past what a reader takes whole: each copy is kept, and
  // each time the skills this program placed are its own again, the edited one as edited.
  const std::string ilegible = "{\"skills\": [trunc";
  t.escribir("datos/skills/instaladas.json", ilegible);
  EXPECT_EQ(skills().ids(), (std::vector<std::string>{"lupa", "otra"}));
  EXPECT_FALSE(inst("lupa")->modificada);
  EXPECT_TRUE(inst("otra")->modificada);
  std::ofstream(datos / "skills/instaladas.json") << std::string(65u << 20, ' ');
  pedir("quitar", "lupa");
  EXPECT_FALSE(fs::exists(destino / "lupa"));
  EXPECT_EQ(skills().ids(), std::vector<std::string>{"otra"});
  EXPECT_EQ(leer(datos / "skills/instaladas.json.danado"), ilegible);
  EXPECT_EQ(fs::file_size(datos / "skills/instaladas.json.danado.2"), 65u << 20);
}

TEST_F(Skills_, LaCopiaEditadaOBorradaSeGuardaHastaQueSeFuerce) {
  instalar("hola", "1.0");
  auto md = destino / "hola/SKILL.md";
  auto original = leer(md);
  // Edited while the archive is still coming (slow enough for that): the edit stays.
  const Entradas entradas = {
      {"SKILL.md", "# v2\n"}, {"skill.json", R"({"id":"hola"})"}, {"r", bytesAlAzar(300'000)}};
  auto lenta = publicar("hola", "2.0", entradas);
  lenta.erase("sha256");
  servidor.publicar("/hola-2.0.zip", ArchivoPrueba{zipDe(entradas), true, 200'000});
  servicio.skill("hola", conSkill(lenta).dump());
  skills().pedir("instalar", "hola", false, false);
  ASSERT_TRUE(bucle.esperarHasta([&] { return skills().descargando("hola"); }));
  t.escribir("casa/.claude/skills/hola/SKILL.md", "# hola 1.1\n");
  ASSERT_TRUE(bucle.esperarHasta([&] { return !error("hola").empty(); }));
  EXPECT_EQ(error("hola"), kEditada);
  EXPECT_EQ(inst("hola")->version, "1.0");
  EXPECT_TRUE(preparando().empty());

  // Edited, an update waits for a forced request.
  auto v2 = publicar("hola", "2.0");
  servicio.skill("hola", conSkill(v2).dump());
  revisar(Json::array({v2}));
  ASSERT_TRUE(bucle.esperarHasta([&] { return inst("hola")->modificada; }));
  EXPECT_EQ(inst("hola")->nueva, "2.0");
  pedir("instalar", "hola");
  EXPECT_EQ(error("hola"), kEditada);
  EXPECT_EQ(leer(md), "# hola 1.1\n");
  EXPECT_EQ(descargasDe("hola", "2.0"), 1u) << "only the slow one";

  // Put back by hand: the flag clears and the newer release comes, once power saving ends.
  t.escribir("casa/.claude/skills/hola/SKILL.md", original);
  condiciones.ahorro = true;
  revisar(Json::array({v2}));
  ASSERT_TRUE(bucle.esperarHasta([&] { return !inst("hola")->modificada; }));
  bucle.procesar();
  EXPECT_EQ(descargasDe("hola", "2.0"), 1u);
  condiciones.poner(false, false);
  ASSERT_TRUE(bucle.esperarHasta([&] { return inst("hola")->version == "2.0"; }));
  EXPECT_FALSE(inst("hola")->modificada);
  EXPECT_EQ(leer(md), "# hola 2.0\n");

  t.escribir("casa/.claude/skills/hola/notas.md", "mías");
  revisar(Json::array({v2}));
  ASSERT_TRUE(bucle.esperarHasta([&] { return inst("hola")->modificada; }));
  EXPECT_FALSE(inst("hola")->nueva) << "nothing newer is published";
  pedir("instalar", "hola", false, true);
  EXPECT_FALSE(fs::exists(destino / "hola/notas.md"));
  EXPECT_EQ(leer(papeleraDelProceso() / "Trash/files/hola/notas.md"), "mías");
  EXPECT_FALSE(inst("hola")->modificada);

  // Deleted by hand counts as edited: a newer release does not bring it back.
  fs::remove_all(destino / "hola");
  auto v3 = publicar("hola", "3.0");
  revisar(Json::array({v3}));
  ASSERT_TRUE(bucle.esperarHasta([&] { return inst("hola")->modificada; }));
  EXPECT_EQ(inst("hola")->nueva, "3.0");
  bucle.procesar();
  EXPECT_EQ(descargasDe("hola", "3.0"), 0u);
}

TEST_F(Skills_, EnOtroDiscoNoDejaRestosYUnDiscoLlenoSeDiceAsi) {
  // Room for one skill beside the 16 MB the unpacker leaves free for the rest of the machine.
  Tmpfs disco(destino, 24u << 20);
  if (!disco.montado()) GTEST_SKIP() << "montar tmpfs necesita root";
  // What killed placements left goes; a user's hidden folders and one that a live
  // placement holds stay.
  const std::string uuid = "0F0E0D0C-0B0A-4909-8807-060504030201";
  t.escribir("casa/.claude/skills/..hola-" + uuid + "." + uuid + "/SKILL.md", "resto");
  t.escribir("casa/.claude/skills/.mias-" + uuid + "x/a", "mío");
  fs::create_directories(destino / (".otra-" + uuid));
  CarpetaOcupada viva(destino / (".otra-" + uuid));
  instalar("hola", "1.0");
  std::set<std::string> ocultas;
  for (const auto& e : fs::directory_iterator(destino))
    if (e.path().filename().string().starts_with(".")) ocultas.insert(e.path().filename());
  EXPECT_EQ(ocultas, (std::set<std::string>{".mias-" + uuid + "x", ".otra-" + uuid}));

  auto v2 = publicar(
      "hola", "2.0",
      {{"SKILL.md", "# 2"}, {"skill.json", R"({"id":"hola"})"}, {"r", bytesAlAzar(1u << 20, 3)}});
  servicio.skill("hola", conSkill(v2).dump());
  disco.llenar(256u << 10);
  pedir("instalar", "hola");
  EXPECT_EQ(error("hola"), "No pude descomprimir la skill: no queda espacio en el disco");
  EXPECT_EQ(leer(destino / "hola/SKILL.md"), "# hola 1.0\n");
  EXPECT_EQ(inst("hola")->version, "1.0");
  for (const auto& e : fs::directory_iterator(destino))
    EXPECT_FALSE(e.path().filename().string().starts_with(".hola")) << e.path();
}

TEST_F(Skills_, RetiradaVaALaPapeleraOAUnaCarpetaFechada) {
  instalar("papel", "1.0");
  revisar(Json::array(), Json::array({"papel"}));
  EXPECT_FALSE(fs::exists(destino / "papel"));
  auto papelera = papeleraDelProceso() / "Trash";
  EXPECT_EQ(leer(papelera / "files/papel/SKILL.md"), "# papel 1.0\n");
  EXPECT_NE(leer(papelera / "info/papel.trashinfo").find("Path=" + (destino / "papel").string()),
            std::string::npos);
  EXPECT_FALSE(inst("papel"));

  // Without a Trash the folder is kept in a dated folder, never deleted.
  instalar("sin-papelera", "1.0");
  sistema.sinPapelera = true;
  pedir("quitar", "sin-papelera");
  EXPECT_FALSE(inst("sin-papelera"));
  EXPECT_FALSE(fs::exists(destino / "sin-papelera"));
  std::vector<fs::path> guardadas;
  for (const auto& f : fs::directory_iterator(datos / "skills/quitadas"))
    guardadas.push_back(f.path() / "sin-papelera");
  ASSERT_EQ(guardadas.size(), 1u);
  EXPECT_TRUE(leerFecha(guardadas[0].parent_path().filename().string()));
  EXPECT_EQ(leer(guardadas[0] / "SKILL.md"), "# sin-papelera 1.0\n");
}

}  // namespace
}  // namespace orvo::prueba
