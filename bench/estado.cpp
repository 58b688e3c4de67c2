// The cost of one state snapshot (`estado`) with 100 apps installed as real bundles and
// 100 components of theirs (half installed), on the real platform pieces; the windows
// only take the text.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "plataforma/linux/bucle_glib.h"
#include "plataforma/linux/descargas_curl.h"
#include "plataforma/linux/espacio_linux.h"
#include "plataforma/linux/http_curl.h"
#include "plataforma/linux/permisos_linux.h"
#include "plataforma/linux/sistema_linux.h"
#include "shell/app_delegate.h"

using namespace orvo;
namespace fs = std::filesystem;

namespace {

struct VentanaNula : Ventana {
  size_t bytes = 0;
  void enviar(const Json& e) override { bytes += e.dump().size(); }
  void mostrar(bool) override {}
  void ocultar() override {}
  bool visible() const override { return false; }
  bool enFrente() const override { return false; }
};
struct PantallaNula : Pantalla {
  std::unique_ptr<Ventana> crearVentana(const FormaVentana&) override {
    return std::make_unique<VentanaNula>();
  }
  void instalarMenu() override {}
  void elegirCarpeta(std::function<void(std::optional<fs::path>)>) override {}
  bool activa() const override { return false; }
  void abrirEnlace(const std::string&) override {}
  void terminar() override {}
};
struct BandejaNula : Bandeja {
  void crear(Acciones) override {}
  void actualizar(int, const std::string&) override {}
};
struct PreferenciasNulas : Preferencias {
  std::optional<std::string> leer(const std::string&) override { return "true"; }
  void guardar(const std::string&, const std::string&) override {}
  Error iniciarConSesion() override { return std::nullopt; }
};

void bundle(const fs::path& apps, int i, const char* version) {
  auto id = "app" + std::to_string(i);
  auto c = apps / ("App " + std::to_string(i) + ".app/Contents");
  fs::create_directories(c / "MacOS");
  std::ofstream(c / "Info.plist") << "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                                     "<key>CFBundleIdentifier</key><string>com.orvo.bench."
                                  << id << "</string><key>CFBundleExecutable</key><string>" << id
                                  << "</string><key>CFBundleShortVersionString</key><string>"
                                  << version << "</string></dict></plist>";
  std::ofstream(c / "MacOS" / id) << "#!/bin/sh\n";
}

}  // namespace

int main() {
  auto raiz = fs::temp_directory_path() / ("bench-estado-" + std::to_string(getpid()));
  auto apps = raiz / "apps", fuente = raiz / "fuente";
  fs::create_directories(fuente);
  Json lista = Json::array();
  for (int i = 0; i < 100; ++i) {
    bundle(apps, i, "1.0");
    auto id = "app" + std::to_string(i);
    lista.push_back({{"id", id},
                     {"nombre", "App " + std::to_string(i)},
                     {"bundle", "com.orvo.bench." + id},
                     {"app", "App " + std::to_string(i) + ".app"},
                     {"version", i % 2 ? "2.0" : "1.0"},
                     {"url", id + ".zip"}});
  }
  // 100 components of those apps, half of them installed at the published version.
  Json comps = Json::array(), instalados = Json::array();
  for (int i = 0; i < 100; ++i) {
    auto id = "comp" + std::to_string(i);
    Json c = {{"id", id},
              {"nombre", "Componente " + std::to_string(i)},
              {"app", "App " + std::to_string(i)},
              {"version", "1.0"},
              {"url", id + ".zip"}};
    comps.push_back(c);
    if (i % 2) continue;
    auto carpeta = raiz / "datos/componentes" / id;
    fs::create_directories(carpeta);
    instalados.push_back({{"id", id},
                          {"nombre", c["nombre"]},
                          {"app", c["app"]},
                          {"version", "1.0"},
                          {"activado", true},
                          {"ruta", carpeta.string()},
                          {"instalado", "2026-12-01T10:00:00Z"}});
  }
  std::ofstream(raiz / "datos/componentes/instalados.json")
      << Json{{"componentes", instalados}}.dump();
  std::ofstream(fuente / "orvo-suite.json") << Json{
      {"formato", "orvo-suite/1"},
      {"version", 1},
      {"apps", lista},
      {"componentes", comps}}.dump();
  setenv("OV_DESTINO", apps.c_str(), 1);
  setenv("OV_DATOS", (raiz / "datos").c_str(), 1);
  setenv("XDG_DATA_HOME", (raiz / "xdg").c_str(), 1);

  BucleGlib bucle;
  SistemaLinux sistema;
  HttpCurl http;
  EspacioLinux espacio(apps, raiz / "xdg/applications", bucle);
  DescargasCurl descargas(bucle, raiz);
  PermisosLinux permisos;
  {
    Nucleo nucleo({bucle, http, espacio, sistema, descargas, permisos});
    PantallaNula pantalla;
    BandejaNula bandeja;
    PreferenciasNulas preferencias;
    nucleo.catalogo().cambiarAjustes([&](Ajustes& a) {
      a.fuente = fuente.string();
      for (int i = 0; i < 100; ++i) a.componentes["App " + std::to_string(i)] = i % 3;
    });
    AppDelegate delegado(nucleo, pantalla, bandeja, preferencias);
    delegado.lanzar();
    nucleo.catalogo().revisar([&] { bucle.salir(); });
    bucle.correr();

    auto* principal = static_cast<VentanaNula*>(delegado.principal());
    constexpr int kVeces = 200;
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kVeces; ++i) delegado.estado();
    double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() /
        kVeces;
    std::printf(
        "estado con 100 apps (50 con versión nueva) y 100 componentes: %.2f ms por foto, "
        "%zu bytes de JSON (objetivo: menos de 5 ms)\n",
        ms, principal->bytes / (kVeces + 1));
  }
  fs::remove_all(raiz);
  return 0;
}
