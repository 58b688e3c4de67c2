// Updates fetched as ranges from the archive kept last time, against the real test server
// with real zips from three writers: what travels is counted at the server, so a whole
// download fails the counts. Each doubt must end in the whole download and the right app.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>

#include "apoyo/ordenes.h"
#include "apoyo/tmpfs.h"
#include "banco.h"
#include "comun/archivos.h"
#include "comun/sha256.h"

using namespace orvo;
using namespace orvo::prueba;
namespace fs = std::filesystem;

namespace {

constexpr int kArchivos = 200;  // of 60 KB each
const char* const kPython = R"(import os, sys, zipfile
raiz, salida = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(salida, "w", zipfile.ZIP_DEFLATED) as z:
    for d, ds, fs in os.walk(raiz):
        ds.sort()
        rel = os.path.relpath(d, os.path.dirname(raiz))
        z.write(d, rel)
        for f in sorted(fs):
            z.write(os.path.join(d, f), os.path.join(rel, f)))";

// A build: resource name → the seed of its bytes. A reproducible build stamps every file
// with the same time, so only what changed differs in the zip.
struct Obra {
  std::string version;
  std::map<std::string, int> recursos;
  std::string escritor = "zip";
};

Obra primera() {
  Obra o{"1.0"};
  for (int i = 0; i < kArchivos; ++i) o.recursos["r" + std::to_string(i) + ".bin"] = i;
  return o;
}

// 5 % changed, one added, one removed, one renamed; the main executable changes with the version.
Obra siguiente(Obra o, const std::string& version, int paso = 20) {
  o.version = version;
  for (int i = 0; i < kArchivos; i += paso) o.recursos["r" + std::to_string(i) + ".bin"] += 1000;
  o.recursos["nuevo" + version] = 7;
  o.recursos.erase(o.recursos.begin()->first == "r0.bin" ? "r1.bin" : o.recursos.begin()->first);
  auto n = o.recursos.extract(std::prev(o.recursos.end()));
  n.key() = "renombrado" + version;
  o.recursos.insert(std::move(n));
  return o;
}

// The app as published, and the bytes the server sends of it from now on.
struct Publicada : AppRemota {
  std::shared_ptr<std::atomic<uint64_t>> enviados;
};

struct Parcial : Banco {
  Publicada publicar(const Obra& o, ArchivoPrueba servir = {}) {
    auto raiz = t / "obra" / o.version;
    fs::remove_all(raiz);
    auto claves = clavesDe(bundleDePrueba("delta"), "delta");
    claves["CFBundleShortVersionString"] = o.version;
    auto bundle = crearBundle(raiz, "Prueba delta", claves,
                              std::string(kScriptQueEspera) + "# " + o.version + "\n");
    fs::create_directories(bundle / "Contents/Resources");
    for (const auto& [nombre, semilla] : o.recursos) {
      std::mt19937 g(semilla);
      std::string bytes(60'000, '\0');
      for (auto& c : bytes) c = static_cast<char>(g() % 64);  // deflates a little, as code does
      std::ofstream(bundle / "Contents/Resources" / nombre, std::ios::binary) << bytes;
    }
    auto zip = carpeta / ("delta-" + o.version + ".zip");
    fs::remove(zip);
    auto dentro = "cd '" + raiz.string() + "' && find . -exec touch -h -d @1700000000 {} + && ";
    std::map<std::string, std::string> ordenes{
        {"zip", dentro + "/usr/bin/zip -qry '" + zip.string() + "' 'Prueba delta.app'"},
        {"bsdtar", dentro + "bsdtar --format zip -cf '" + zip.string() + "' 'Prueba delta.app'"},
        {"python", dentro + "/usr/bin/python3 -c '" + std::string(kPython) +
                       "' 'Prueba delta.app' '" + zip.string() + "'"}};
    EXPECT_EQ(ejecutar(ordenes.at(o.escritor) + " 2>&1").estado, 0) << o.escritor;
    servir.datos = *leerArchivo(zip);
    if (servir.etag.empty()) servir.etag = "\"" + o.version + "\"";
    auto enviados = std::make_shared<std::atomic<uint64_t>>(0);
    servir.enviados = enviados;
    servidor.publicar("/delta.zip", std::move(servir));
    catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
    Publicada app{{.id = "delta",
                   .nombre = "Prueba delta",
                   .bundle = bundleDePrueba("delta"),
                   .app = "Prueba delta.app",
                   .version = o.version,
                   .url = "delta.zip"},
                  enviados};
    app.sha256 = sha256(zip);
    app.tam = static_cast<int64_t>(fs::file_size(zip));
    return app;
  }

  // Installs `app` served by `servir`; bytes the server sent for it.
  uint64_t instalar(const Publicada& app) {
    instalador().comenzar(app, false);
    EXPECT_TRUE(esperarFin("delta", 60));
    EXPECT_EQ(lineas.back(), "lista · paso 6/5 fin 100% ") << log();
    auto plist = leerArchivo(apps / app.app / "Contents/Info.plist").value_or("");
    EXPECT_NE(plist.find("<string>" + app.version + "</string>"), std::string::npos);
    // The archive kept for the next time is the published one, byte for byte.
    EXPECT_EQ(sha256(t / "casa/.cache/orvo-suite/delta.zip"), app.sha256);
    // The next update must not wait for the app it opened.
    matarAppsDe(apps);
    EXPECT_TRUE(bucle.esperarHasta([&] { return !catalogo().abierta(app); }, 10));
    return app.enviados->load();
  }
};

}  // namespace

// Three writers, each with its own headers and extra fields (bsdtar adds data descriptors).
// The server honours one range per request only, so nothing may lean on multipart answers.
TEST_F(Parcial, UnaActualizacionBajaSoloLoQueCambio) {
  for (std::string escritor : {"python", "zip", "bsdtar"}) {
    SCOPED_TRACE(escritor);
    // Each writer on a machine that never had the app.
    apagar();
    for (const auto& c : {apps / "Prueba delta.app", datos, t / "casa/.cache"}) fs::remove_all(c);
    reiniciar();
    auto v1 = primera();
    v1.escritor = escritor;
    auto app1 = publicar(v1);
    EXPECT_EQ(instalar(app1), static_cast<uint64_t>(*app1.tam));  // a first install: whole

    auto v2 = siguiente(v1, "2.0");
    auto app2 = publicar(v2, {.soloPrimerRango = true});
    auto bajado = instalar(app2);
    EXPECT_LE(bajado, static_cast<uint64_t>(*app2.tam * 0.15)) << log();
    auto mb = std::to_string((*app2.tam + 524'288) / 1'048'576);
    EXPECT_NE(log().find(" MB de " + mb + " MB"), std::string::npos) << log();
  }
}

// Servers and copies that must not be trusted; every one ends in the whole download, and a
// kill halfway leaves the kept copy to start from again.
TEST_F(Parcial, CadaDudaTerminaEnLaDescargaEnteraYUnaMuerteNoLaPierde) {
  auto obra = primera();
  instalar(publicar(obra));
  auto paso = [&](const std::string& version, ArchivoPrueba servir, const std::string& motivo,
                  int cada = 20) {
    SCOPED_TRACE(version);
    obra = siguiente(obra, version, cada);
    auto app = publicar(obra, servir);
    EXPECT_GE(instalar(app), static_cast<uint64_t>(*app.tam));
    EXPECT_NE(log().find("descarga parcial de Prueba delta: " + motivo), std::string::npos)
        << log();
  };
  paso("2.0", {.aceptaRangos = false}, "el servidor no atiende rangos");
  // The end of the directory comes with one ETag, the entries with another.
  paso("3.0", {.etag = "\"a\"", .etagTras = 1, .etagLuego = "\"b\""},
       "el archivo cambió en el servidor");
  paso("4.0", {}, "habría que bajar", 1);
  // A kept copy damaged inside an entry's data passes its own index: the digest catches it.
  auto guardada = t / "casa/.cache/orvo-suite/delta.zip";
  auto bytes = *leerArchivo(guardada);
  bytes[bytes.size() / 2] ^= 0x55;
  std::ofstream(guardada, std::ios::binary) << bytes;
  paso("5.0", {}, "la huella no coincide");
  // Cut short, the kept copy no longer matches its index.
  fs::resize_file(guardada, fs::file_size(guardada) - 30'000);
  paso("6.0", {}, "la copia guardada");

  // The program killed while the archive is assembled: the kept copy is untouched, and the
  // next run assembles again from it.
  auto antes = sha256(guardada);
  obra = siguiente(obra, "7.0");
  auto app = publicar(obra, {.bytesPorSegundo = 100'000});
  instalador().comenzar(app, false);
  EXPECT_TRUE(bucle.esperarHasta([&] { return app.enviados->load() > 100'000; }, 20));
  reiniciar();
  EXPECT_EQ(sha256(guardada), antes);
  app = publicar(obra);
  EXPECT_LE(instalar(app), static_cast<uint64_t>(*app.tam * 0.15)) << log();
}

// Over its bound (a tenth of the free space here), the oldest copy goes first.
TEST_F(Parcial, LaCacheNoPasaDeSuTope) {
  Tmpfs disco(t / "casa/.cache", 128u << 20);
  if (!disco.montado()) GTEST_SKIP() << "montar tmpfs necesita root";
  auto vieja = t / "casa/.cache/orvo-suite/otra.zip";
  fs::create_directories(vieja.parent_path());
  std::ofstream(vieja, std::ios::binary) << std::string(6'000'000, 'x');
  fs::last_write_time(vieja, fs::file_time_type::clock::now() - std::chrono::hours(24));
  instalar(publicar(primera()));
  EXPECT_FALSE(fs::exists(vieja));
}
