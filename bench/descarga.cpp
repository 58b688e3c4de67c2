// Downloads a 1 GiB archive from a local HTTP server with the installer's session and with
// `curl -o`, in the same run: throughput of each, their ratio, and how much the program's
// peak memory grew during its download.
#include <httplib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "comun/sha256.h"
#include "gigabyte.h"
#include "plataforma/linux/bucle_glib.h"
#include "plataforma/linux/descargas_curl.h"

namespace fs = std::filesystem;
using namespace orvo;

namespace {

// Peak resident memory of this process so far, in KiB.
long picoKiB() {
  std::ifstream f("/proc/self/status");
  std::string linea;
  while (std::getline(f, linea))
    if (linea.rfind("VmHWM:", 0) == 0) return std::stol(linea.substr(6));
  return -1;
}

double ahora() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv) {
  fs::path carpeta = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
  auto origen = carpeta / "orvo-bench-origen.zip";
  auto copiaCurl = carpeta / "orvo-bench-curl.zip";
  if (!fs::exists(origen) || fs::file_size(origen) != kTam) {
    std::printf("Generando 1 GiB en %s…\n", origen.c_str());
    if (!generar(origen)) return 1;
  }
  auto esperada = sha256(origen);

  // The server streams the file from disk in 256 KiB pieces, ranges included.
  httplib::Server srv;
  int fd = ::open(origen.c_str(), O_RDONLY);
  srv.Get("/a.zip", [fd](const httplib::Request&, httplib::Response& res) {
    res.set_header("ETag", "\"bench\"");
    res.set_content_provider(kTam, "application/zip",
                             [fd](size_t desde, size_t largo, httplib::DataSink& sink) {
                               std::vector<char> buf(std::min<size_t>(largo, 256 << 10));
                               ssize_t n = ::pread(fd, buf.data(), buf.size(), off_t(desde));
                               return n > 0 && sink.write(buf.data(), size_t(n));
                             });
  });
  int puerto = srv.bind_to_any_port("127.0.0.1");
  std::thread hilo([&] { srv.listen_after_bind(); });
  while (!srv.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::string url = "http://127.0.0.1:" + std::to_string(puerto) + "/a.zip";

  double t0 = ahora();
  int rc = std::system(("curl -s -o '" + copiaCurl.string() + "' '" + url + "'").c_str());
  double tCurl = ahora() - t0;
  bool curlBien = rc == 0 && sha256(copiaCurl) == esperada;
  fs::remove(copiaCurl);

  BucleGlib bucle;
  DescargasCurl descargas(bucle, carpeta);
  std::optional<std::string> huella;
  bool bien = false;
  double tNuestro = 0;
  long antes = picoKiB();
  descargas.avisar({[](TareaDescarga, int64_t, int64_t) {},
                    [&](TareaDescarga, const fs::path& archivo, int estado) {
                      tNuestro = ahora() - t0;  // the whole file is on disk
                      bien = estado == 200;
                      huella = sha256(archivo);
                    },
                    [&](TareaDescarga, std::optional<FalloDescarga> fallo) {
                      if (fallo) std::printf("fallo: %s\n", fallo->descripcion.c_str());
                      bucle.salir();
                    }});
  PeticionHttp p;
  p.url = url;
  t0 = ahora();
  descargas.iniciar(p, std::nullopt);
  bucle.correr();
  long despues = picoKiB();
  srv.stop();
  hilo.join();
  ::close(fd);

  double mb = double(kTam) / (1 << 20);
  std::printf("curl -o:           %6.2f s  %7.1f MiB/s  %s\n", tCurl, mb / tCurl,
              curlBien ? "huella correcta" : "HUELLA INCORRECTA");
  std::printf("sesión de descarga: %6.2f s  %7.1f MiB/s  %s\n", tNuestro, mb / tNuestro,
              bien && huella == esperada ? "huella correcta" : "HUELLA INCORRECTA");
  std::printf("proporción: %.2f (objetivo ≥ 0,9)\n", tCurl / tNuestro);
  std::printf("memoria pico: %ld → %ld KiB, crece %.1f MiB (objetivo < 32 MiB)\n", antes, despues,
              double(despues - antes) / 1024);
  return bien && huella == esperada && curlBien ? 0 : 1;
}
