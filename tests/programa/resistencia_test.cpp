// What a hostile archive, a full disk or a server that does not stop does to the real
// binary in test-install mode: each fails with its own clear message, and the installed
// app, its record and the temporary folder stay as they were.
#include <gtest/gtest.h>

#include "apoyo/servidor_prueba.h"
#include "apoyo/tmpfs.h"
#include "apoyo/zip_prueba.h"
#include "comun/sha256.h"
#include "programa/maquina.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

std::vector<EntradaZip> bundle(const std::string& id, bool conPrograma = true) {
  std::vector<EntradaZip> e{
      {"Prueba uno.app/Contents/Info.plist", "archivo",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
       "<key>CFBundleIdentifier</key><string>" +
           id +
           "</string><key>CFBundleExecutable</key><string>uno</string>"
           "<key>CFBundleShortVersionString</key><string>2.0</string></dict></plist>"}};
  if (conPrograma)
    e.push_back({"Prueba uno.app/Contents/MacOS/uno", "archivo", "#!/bin/sh\nexit 0\n", 0755});
  return e;
}

// An installed "Prueba uno" 1.0, placed by hand: what every failed run must leave alone.
struct ConUnoInstalado {
  Maquina m;
  AppRemota uno;
  std::map<std::string, std::string> antes;
  ConUnoInstalado() {
    uno = empaquetarApp(m.t / "obra", m.t / "fuente", "uno", "1.0", "#!/bin/sh\nexit 0\n");
    fs::create_directories(m.t / "apps");
    fs::copy(m.t / "obra/uno/1.0/Prueba uno.app", m.t / "apps/Prueba uno.app",
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    m.fuente((m.t / "fuente").string());
    antes = arbol(m.t / "apps");
  }
  // The published entry of "uno" for a zip made of `entradas`.
  AppRemota zip(const std::vector<EntradaZip>& entradas) {
    auto app = uno;
    hacerZip(m.t / "fuente/uno.zip", entradas);
    app.sha256 = sha256(m.t / "fuente/uno.zip");
    app.tam = static_cast<int64_t>(fs::file_size(m.t / "fuente/uno.zip"));
    return app;
  }
  // Runs the update and returns the message of its error line; checks nothing changed.
  std::string fallida(const AppRemota& app) {
    m.manifiesto(m.t / "fuente", {app});
    auto r = m.instalar("uno");
    EXPECT_EQ(r.estado, 1) << r.texto;
    EXPECT_EQ(arbol(m.t / "apps"), antes);
    EXPECT_FALSE(fs::exists(m.t / "datos/registro.json"));
    for (const auto& e : fs::directory_iterator(m.t / "tmp"))
      EXPECT_FALSE(e.path().filename().string().starts_with("orvo-suite-")) << e.path();
    auto i = r.texto.find("% ", r.texto.rfind("\nerror · "));
    return i == std::string::npos ? r.texto : r.texto.substr(i + 2, r.texto.find('\n', i) - i - 2);
  }
};

}  // namespace

TEST(Resistencia, ZipsHostilesYServidoresSinFinNoReemplazanLaAppInstalada) {
  ConUnoInstalado x;
  const std::string id = bundleDePrueba("uno");
  // A link to a folder inside is no folder either.
  auto otra = bundle(id);
  for (auto& e : otra) e.nombre.replace(0, 10, "Otra");
  otra.push_back({"Prueba uno.app", "enlace", "Otra.app", 0777});
  EXPECT_EQ(x.fallida(x.zip(otra)),
            "El zip trae Prueba uno.app, pero no es una carpeta. No instalé nada.");
  EXPECT_EQ(x.fallida(x.zip(bundle("com.otro.vendedor"))),
            "El zip trae Prueba uno.app, pero no es " + id + ". No instalé nada.");
  EXPECT_EQ(x.fallida(x.zip(bundle(id, false))),
            "El zip trae Prueba uno.app, pero le falta su programa principal. No instalé nada.");

  // A zip of under a megabyte that would unpack to 600 MB.
  auto bomba = bundle(id);
  bomba.push_back({"Prueba uno.app/Contents/Resources/ceros.bin", "ceros", "600"});
  EXPECT_EQ(x.fallida(x.zip(bomba)),
            "No pude desempaquetar Prueba uno.app: se expande mucho más de lo razonable para "
            "una app. No instalé nada.");

  // A server that does not stop is cut at the published size.
  ServidorPrueba servidor;
  auto enviados = std::make_shared<std::atomic<uint64_t>>(0);
  servidor.publicar("/uno.zip",
                    {.datos = std::string(64 * 1024, 'z'), .sinFin = true, .enviados = enviados});
  auto app = x.uno;
  app.url = servidor.base() + "uno.zip";
  app.tam = 2'000'000;
  EXPECT_EQ(x.fallida(app), "Se cortó la descarga: el servidor envió más datos de los anunciados");
  // What the socket buffers held when the download stopped, at most.
  EXPECT_LT(enviados->load(), 2'000'000u + (16u << 20));

  // A set-uid executable anyone may write, in a folder anyone may write: installed as the
  // program's own, still executable.
  auto abierto = bundle(id);
  abierto[1].modo = 06777;
  abierto.insert(abierto.begin(), {"Prueba uno.app/Contents/", "carpeta", "", 0777});
  x.m.manifiesto(x.m.t / "fuente", {x.zip(abierto)});
  Corrida r(x.m.entorno("uno"));
  ASSERT_TRUE(r.esperarLinea([](const std::string& l) { return l.find("Abrir") != l.npos; }, 60))
      << r.texto;
  EXPECT_EQ(fs::status(x.m.t / "apps/Prueba uno.app/Contents/MacOS/uno").permissions(),
            fs::perms(0755));
  EXPECT_EQ(fs::status(x.m.t / "apps/Prueba uno.app/Contents").permissions(), fs::perms(0755));
}

TEST(Resistencia, UnTemporalLlenoNoInstalaNadaYLoDice) {
  ConUnoInstalado x;
  Tmpfs tmp(x.m.t / "tmp", 16u << 20);
  if (!tmp.montado()) GTEST_SKIP() << "montar tmpfs necesita root";
  // Incompressible, so the archive itself is 6 MB: it fits, its contents do not.
  auto grande = empaquetarApp(x.m.t / "obra", x.m.t / "fuente", "uno", "2.0", "#!/bin/sh\nexit 0\n",
                              true, 6u << 20);
  tmp.llenar(9u << 20);
  EXPECT_EQ(x.fallida(grande),
            "No pude desempaquetar Prueba uno.app: no queda espacio en la carpeta temporal. "
            "No instalé nada.");
  tmp.llenar(3u << 20);
  EXPECT_EQ(x.fallida(grande),
            "No pude copiar uno.zip a la carpeta temporal: no queda espacio en el disco. No "
            "instalé nada.");
}
