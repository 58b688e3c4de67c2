// Whole installations through the real download session, real zips, real bundles and
// real processes: a first install, an update that waits for its app, the leftover
// process allowance, a refused opening, and inputs that must touch nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "banco.h"
#include "comun/archivos.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

// The step lines, without the download's progress lines in between.
std::vector<std::string> pasos(const std::vector<std::string>& lineas) {
  std::vector<std::string> r;
  for (const auto& l : lineas)
    if (l.ends_with(" 0% ") || l.starts_with("lista") || l.starts_with("error") ||
        l.starts_with("autorizar"))
      r.push_back(l);
  return r;
}

std::string versionDe(const fs::path& bundle) {
  auto plist = leerArchivo(bundle / "Contents/Info.plist").value_or("");
  auto i = plist.find("<key>CFBundleShortVersionString</key><string>");
  return i == std::string::npos ? "" : plist.substr(i + 45, plist.find('<', i + 45) - i - 45);
}

bool vacia(const fs::path& carpeta) {
  std::error_code e;
  return fs::is_empty(carpeta, e);
}

// Working folders of installations left in the temporary folder.
int trabajos(const fs::path& tmp) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(tmp))
    n += e.path().filename().string().starts_with("orvo-suite-");
  return n;
}

}  // namespace

TEST(Instalar, PrimeraInstalacionDesdeElServidor) {
  Banco b;
  auto app = b.publicar("uno", "1.0");
  b.instalador().comenzar(app, false);
  ASSERT_TRUE(b.esperarFin("uno"));
  EXPECT_EQ(pasos(b.lineas), (std::vector<std::string>{
                                 "corriendo · paso 1/5 Descargar 0% ",
                                 "corriendo · paso 2/5 Verificar la descarga 0% ",
                                 "corriendo · paso 3/5 Instalar en Aplicaciones 0% ",
                                 "corriendo · paso 4/5 Registrar en Linux 0% ",
                                 "corriendo · paso 5/5 Abrir Prueba uno 0% ",
                                 "lista · paso 6/5 fin 100% ",
                             }));
  EXPECT_EQ(b.terminadas, 1);
  auto bundle = b.apps / "Prueba uno.app";
  EXPECT_EQ(versionDe(bundle), "1.0");
  EXPECT_TRUE(fs::exists(b.t / "xdg/applications/orvo-com.orvo.prueba.uno.desktop"));
  EXPECT_TRUE(b.catalogo().abierta(app));
  EXPECT_EQ(b.catalogo().registro.apps.at("uno").version, "1.0");
  // The working folder is gone; nothing was backed up.
  EXPECT_EQ(trabajos(b.t / "tmp"), 0);
  EXPECT_FALSE(fs::exists(b.datos / "respaldo/Prueba uno.app"));
  EXPECT_NE(b.log().find("instalar Prueba uno 1.0"), std::string::npos);
}

TEST(Instalar, UnaDescargaCortadaVariasVecesTerminaBien) {
  Banco b;
  auto app = b.empaquetar("cortes", "1.0", kScriptQueEspera, true, 3'000'000);
  auto datos = *leerArchivo(b.carpeta / "cortes.zip");
  b.servidor.publicar(
      "/cortes.zip",
      {.datos = datos, .cortarTras = 1'000'000, .cortesRestantes = 2, .etag = "\"e\""});
  b.catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = b.servidor.base(); });
  b.instalador().comenzar(app, false);
  ASSERT_TRUE(b.esperarFin("cortes"));
  EXPECT_EQ(b.lineas.back(), "lista · paso 6/5 fin 100% ");
  for (const char* desde : {"0 MB", "1 MB"})
    EXPECT_NE(b.log().find(
                  std::string("cortada (la respuesta llegó incompleta): se retoma desde ") + desde),
              std::string::npos)
        << b.log();
  size_t pedidos = 0, recibidos = 0;
  for (const auto& p : b.servidor.peticiones()) {
    ++pedidos;
    recibidos += p.cabecera("Range").empty() ? 0 : 1;
  }
  EXPECT_EQ(pedidos, 3u);
  EXPECT_EQ(recibidos, 2u);
}

TEST(Instalar, ActualizarUnaAppAbiertaEsperaAQueSeCierre) {
  Banco b;
  auto vieja = b.instalarAMano("dos", "1.0");
  ProcesoPrueba abierta(vieja / "Contents/MacOS/dos");
  ASSERT_TRUE(esperarQue([&] { return !b.espacio->enMarcha("com.orvo.prueba.dos").empty(); }));
  auto app = b.publicar("dos", "2.0");
  b.instalador().comenzar(app, false);
  ASSERT_TRUE(b.esperarFin("dos", 20, Fase::esperaCierre));
  // Waiting costs nothing: minutes pass and the old version stays in place.
  b.bucle.avanzar(120);
  EXPECT_EQ(b.instalador().enCurso("dos")->fase, Fase::esperaCierre);
  EXPECT_EQ(versionDe(vieja), "1.0");

  b.instalador().cerrarApp();
  abierta.esperar();
  ASSERT_TRUE(b.esperarFin("dos"));
  EXPECT_EQ(pasos(b.lineas), (std::vector<std::string>{
                                 "corriendo · paso 1/6 Descargar la versión nueva 0% ",
                                 "corriendo · paso 2/6 Verificar la descarga 0% ",
                                 "corriendo · paso 3/6 Esperar que cierres Prueba dos 0% ",
                                 "esperaCierre · paso 3/6 Esperar que cierres Prueba dos 0% ",
                                 "corriendo · paso 4/6 Guardar la versión anterior 0% ",
                                 "corriendo · paso 5/6 Reemplazar Prueba dos 0% ",
                                 "corriendo · paso 6/6 Abrir la versión nueva 0% ",
                                 "lista · paso 7/6 fin 100% ",
                             }));
  EXPECT_EQ(versionDe(b.apps / "Prueba dos.app"), "2.0");
  EXPECT_EQ(versionDe(b.datos / "respaldo/Prueba dos.app"), "1.0");
  EXPECT_TRUE(b.catalogo().abierta(app));
}

TEST(Instalar, UnProcesoQueQuedaRetieneElCambioHasta15Segundos) {
  Banco b;
  auto vieja = b.instalarAMano("tres", "1.0");
  auto ayudante = vieja / "Contents/Helpers/ayudante";
  fs::create_directories(ayudante.parent_path());
  std::ofstream(ayudante) << kScriptQueEspera;
  fs::permissions(ayudante, fs::perms(0755));
  auto app = b.publicar("tres", "2.0");
  {
    ProcesoPrueba abierta(vieja / "Contents/MacOS/tres");
    ProcesoPrueba resto(ayudante);
    ASSERT_TRUE(esperarQue([&] { return b.catalogo().abierta(app).has_value(); }));
    b.instalador().comenzar(app, false);
    ASSERT_TRUE(b.esperarFin("tres", 20, Fase::esperaCierre));
    abierta.matar();
    abierta.esperar();
    // The helper is not the app, but it runs from inside the bundle.
    for (int i = 0; i < 28; ++i) b.bucle.avanzar(0.5);
    EXPECT_EQ(b.instalador().enCurso("tres")->fase, Fase::esperaCierre);
    for (int i = 0; i < 6; ++i) b.bucle.avanzar(0.5);
    EXPECT_NE(b.log().find("Prueba tres: quedan procesos tras 15 s; se instala igual"),
              std::string::npos);
  }
  ASSERT_TRUE(b.esperarFin("tres"));
  EXPECT_EQ(versionDe(b.apps / "Prueba tres.app"), "2.0");
}

TEST(Instalar, UnaAppQueNoSePuedeAbrirPideAutorizacionUnaVez) {
  Banco b;
  auto app = b.empaquetar("cuatro", "1.0", kScriptQueEspera, false);
  b.catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = b.carpeta.string(); });
  b.instalador().comenzar(app, false);
  ASSERT_TRUE(b.esperarFin("cuatro", 20, Fase::autorizar));
  auto inst = b.instalador().enCurso("cuatro");
  EXPECT_EQ(inst->pasos.size(), 6u);
  EXPECT_EQ(inst->pasos[4], "Autorizar en Linux");
  EXPECT_EQ(inst->paso, 4);
  EXPECT_NE(b.log().find("Linux no abrió Prueba cuatro: No se pudo abrir Prueba cuatro: su "
                         "ejecutable no tiene permiso de ejecución."),
            std::string::npos)
      << b.log();

  b.instalador().autorizada();
  EXPECT_EQ(inst->fase, Fase::autorizar);
  EXPECT_EQ(std::count(inst->pasos.begin(), inst->pasos.end(), "Autorizar en Linux"), 1);

  // The user fixes it and says so.
  fs::permissions(b.apps / "Prueba cuatro.app/Contents/MacOS/cuatro", fs::perms(0755));
  b.instalador().autorizada();
  ASSERT_TRUE(b.esperarFin("cuatro"));
  EXPECT_EQ(inst->fase, Fase::lista);
  EXPECT_EQ(b.terminadas, 1);
}

TEST(Instalar, EntradasMalasFallanSinTocarNada) {
  Banco b;
  auto buena = b.empaquetar("cinco", "1.0");
  b.catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = b.carpeta.string(); });
  auto fallo = [&](AppRemota app) {
    b.instalador().comenzar(app, false);
    EXPECT_TRUE(b.esperarFin(app.id));
    auto i = b.instalador().todas.back();
    EXPECT_EQ(i->fase, Fase::error);
    return i->error.value_or("");
  };
  auto a = buena;
  a.app = "../Fuera.app";
  EXPECT_EQ(fallo(a),
            "El catálogo no da un nombre de app válido (\"../Fuera.app\"). No instalé nada.");
  a = buena;
  a.sha256 = std::string(64, 'a');
  EXPECT_EQ(fallo(a),
            "La descarga no coincide con la publicada (la huella es distinta). No instalé nada.");
  a = buena;
  a.app = "Otra.app";
  EXPECT_EQ(fallo(a), "El zip no trae Otra.app");
  a = buena;
  a.url = "falta.zip";
  EXPECT_EQ(fallo(a), "No encuentro el archivo falta.zip en la fuente");
  b.servidor.publicar("/no-zip.zip", {.datos = "esto no es un zip"});
  b.catalogo().cambiarAjustes([&](Ajustes& x) { x.fuente = b.servidor.base(); });
  a = buena;
  a.url = "otra.zip";
  EXPECT_EQ(fallo(a), "La fuente respondió 404 al descargar");
  a.url = "no-zip.zip";
  a.sha256.reset();
  EXPECT_EQ(fallo(a), "El zip no trae Prueba cinco.app");

  EXPECT_TRUE(vacia(b.apps));
  EXPECT_EQ(trabajos(b.t / "tmp"), 0);
  EXPECT_FALSE(fs::exists(b.t / "Fuera.app"));
  EXPECT_EQ(b.terminadas, 0);
}
