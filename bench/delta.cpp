// A partial update against the whole download, in one run: an app of about 300 MB in
// about 3,000 files, rebuilt with 5 % of its files changed (every file gets a new time, as
// a fresh build gives), served from loopback at 20 MB/s and unthrottled. Bytes sent by the
// server and time until the new archive is in place, partial over whole.
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "comun/sha256.h"
#include "instalador/descarga_parcial.h"
#include "plataforma/linux/bucle_glib.h"
#include "plataforma/linux/descargas_curl.h"

namespace fs = std::filesystem;
using namespace orvo;

namespace {

constexpr int kArchivos = 3000;
constexpr double kLimitado = 20e6;  // bytes per second, over all connections

double ahora() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Build `version` of the app in `obra` and zip it: file i holds bytes seeded by i, or by
// i + 1,000,000 when it is one of every twentieth (the 5 % a new build changed).
bool construir(const fs::path& obra, const fs::path& zip, bool cambiada) {
  fs::remove_all(obra);
  fs::create_directories(obra / "App.app/Contents/Resources");
  std::mt19937 tam(1);
  for (int i = 0; i < kArchivos; ++i) {
    std::mt19937 g(cambiada && i % 20 == 7 ? i + 1'000'000 : i);
    std::string datos(60'000 + tam() % 170'000, '\0');
    for (auto& c : datos) c = static_cast<char>(g());
    // A third of each file compresses: code and resources, not noise.
    for (size_t k = 0; k < datos.size(); k += 3) datos[k] = 'a';
    auto carpeta = obra / "App.app/Contents/Resources" / std::to_string(i % 30);
    fs::create_directories(carpeta);
    std::ofstream(carpeta / (std::to_string(i) + ".bin"), std::ios::binary) << datos;
  }
  fs::remove(zip);
  return std::system(
             ("cd '" + obra.string() + "' && /usr/bin/zip -qr -1 '" + zip.string() + "' App.app")
                 .c_str()) == 0;
}

// Serves `ruta` with ranges; `limite` bytes per second shared by every connection (0: none).
struct Servidor {
  httplib::Server srv;
  std::thread hilo;
  std::atomic<uint64_t> enviados{0};
  std::mutex m;
  double libreDesde = 0;
  int fd = -1;
  size_t tam = 0;
  double limite = 0;
  int puerto = 0;

  void frenar(size_t n) {
    if (limite <= 0) return;
    double hasta;
    {
      std::lock_guard l(m);
      libreDesde = std::max(libreDesde, ahora()) + n / limite;
      hasta = libreDesde;
    }
    double espera = hasta - ahora();
    if (espera > 0) std::this_thread::sleep_for(std::chrono::duration<double>(espera));
  }

  void servir(const fs::path& ruta) {
    if (fd >= 0) ::close(fd);
    fd = ::open(ruta.c_str(), O_RDONLY);
    tam = fs::file_size(ruta);
  }

  Servidor() {
    srv.Get("/a.zip", [this](const httplib::Request&, httplib::Response& res) {
      res.set_header("ETag", "\"" + std::to_string(tam) + "\"");
      res.set_content_provider(tam, "application/zip",
                               [this](size_t desde, size_t largo, httplib::DataSink& sink) {
                                 std::vector<char> buf(std::min<size_t>(largo, 64 << 10));
                                 ssize_t n = ::pread(fd, buf.data(), buf.size(), off_t(desde));
                                 if (n <= 0) return false;
                                 frenar(size_t(n));
                                 enviados += size_t(n);
                                 return sink.write(buf.data(), size_t(n));
                               });
    });
    // As web servers do: a small answer must not wait for the client's delayed ACK.
    srv.set_tcp_nodelay(true);
    puerto = srv.bind_to_any_port("127.0.0.1");
    hilo = std::thread([this] { srv.listen_after_bind(); });
    while (!srv.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~Servidor() {
    srv.stop();
    hilo.join();
    if (fd >= 0) ::close(fd);
  }
};

struct Medida {
  double segundos = 0;
  uint64_t bytes = 0;
  bool bien = false;
};

Medida entera(Servidor& s, const std::string& url, const fs::path& carpeta,
              const std::optional<std::string>& esperada) {
  BucleGlib bucle;
  DescargasCurl descargas(bucle, carpeta);
  Medida m;
  double t0 = ahora();
  descargas.avisar({[](TareaDescarga, int64_t, int64_t) {},
                    [&](TareaDescarga, const fs::path& archivo, int) {
                      m.segundos = ahora() - t0;
                      m.bien = sha256(archivo) == esperada;
                    },
                    [&](TareaDescarga, std::optional<FalloDescarga>) { bucle.salir(); }});
  s.enviados = 0;
  PeticionHttp p;
  p.url = url;
  descargas.iniciar(p, std::nullopt);
  bucle.correr();
  m.bytes = s.enviados;
  return m;
}

Medida parcial(Servidor& s, const std::string& url, const fs::path& carpeta,
               const fs::path& guardado, const std::optional<std::string>& esperada) {
  BucleGlib bucle;
  DescargasCurl descargas(bucle, carpeta);
  Medida m;
  auto destino = carpeta / "descarga.zip";
  PeticionHttp p;
  p.url = url;
  s.enviados = 0;
  double t0 = ahora();
  auto d = std::make_shared<DescargaParcial>(
      bucle, descargas, p, guardado, destino, [](int64_t, int64_t) {},
      [&](DescargaParcial::Fin fin) {
        m.segundos = ahora() - t0;
        if (fin.duda) std::printf("duda: %s\n", fin.duda->c_str());
        m.bien = !fin.duda && sha256(destino) == esperada;
        bucle.salir();
      });
  d->comenzar();
  bucle.correr();
  m.bytes = s.enviados;
  fs::remove(destino);
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path carpeta =
      (argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path()) / "orvo-bench-delta";
  fs::create_directories(carpeta);
  auto viejo = carpeta / "v1.zip", nuevo = carpeta / "v2.zip";
  std::printf("Construyendo las dos versiones en %s…\n", carpeta.c_str());
  if (!construir(carpeta / "obra", viejo, false) || !construir(carpeta / "obra", nuevo, true))
    return 1;
  fs::remove_all(carpeta / "obra");
  auto esperada = sha256(nuevo);
  double mb = double(fs::file_size(nuevo)) / 1e6;
  std::printf("archivo nuevo: %.1f MB, %d archivos, 5 %% cambiados\n", mb, kArchivos);

  Servidor s;
  s.servir(nuevo);
  std::string url = "http://127.0.0.1:" + std::to_string(s.puerto) + "/a.zip";
  bool todo = true;
  for (double limite : {kLimitado, 0.0}) {
    s.limite = limite;
    auto e = entera(s, url, carpeta, esperada);
    auto p = parcial(s, url, carpeta, viejo, esperada);
    todo = todo && e.bien && p.bien;
    std::printf("%s\n", limite > 0 ? "a 20 MB/s:" : "sin límite:");
    std::printf("  entera:  %7.2f s  %8.1f MB  %s\n", e.segundos, e.bytes / 1e6,
                e.bien ? "huella correcta" : "HUELLA INCORRECTA");
    std::printf("  parcial: %7.2f s  %8.1f MB  %s\n", p.segundos, p.bytes / 1e6,
                p.bien ? "huella correcta" : "HUELLA INCORRECTA");
    std::printf("  proporción: bytes %.3f, tiempo %.3f\n", double(p.bytes) / e.bytes,
                p.segundos / e.segundos);
  }
  std::printf("objetivos: bytes ≤ 0,10; tiempo ≤ 0,25 a 20 MB/s; sin límite, no más lenta\n");
  fs::remove_all(carpeta);
  return todo ? 0 : 1;
}
