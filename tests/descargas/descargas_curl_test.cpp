// The real download session against the local test server: cut transfers continue from
// the bytes received, a server that ignores ranges or changed its file never yields a
// spliced file, and a stalled transfer hands over what it has.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "apoyo/bucle_manual.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/servidor_prueba.h"
#include "comun/archivos.h"
#include "plataforma/linux/descargas_curl.h"

using namespace orvo;
using namespace orvo::prueba;

namespace {

std::string azar(size_t n, unsigned semilla) {
  std::mt19937 g(semilla);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(g());
  return s;
}

struct Fin {
  bool completa = false;
  std::optional<std::string> contenido;
  int estado = 0;
  std::optional<FalloDescarga> fallo;
  int64_t escritos = 0, esperados = 0;
};

struct Sesion {
  CarpetaTemporal t;
  ServidorPrueba servidor;
  BucleManual bucle;
  DescargasCurl descargas{bucle, t.ruta()};
  std::map<TareaDescarga, Fin> fines;

  Sesion() {
    descargas.avisar({[this](TareaDescarga id, int64_t e, int64_t x) {
                        fines[id].escritos = e;
                        fines[id].esperados = x;
                      },
                      [this](TareaDescarga id, const std::filesystem::path& archivo, int estado) {
                        fines[id].contenido = leerArchivo(archivo);
                        fines[id].estado = estado;
                      },
                      [this](TareaDescarga id, std::optional<FalloDescarga> f) {
                        fines[id].fallo = std::move(f);
                        fines[id].completa = true;
                      }});
  }
  PeticionHttp peticion(const std::string& ruta) {
    PeticionHttp p;
    p.url = servidor.base() + ruta;
    return p;
  }
  // Runs the task to its end, continuing it from its resume data each time it breaks.
  Fin bajar(PeticionHttp p, int* retomadas = nullptr) {
    auto id = descargas.iniciar(p, std::nullopt);
    for (int i = 0; i < 20; ++i) {
      EXPECT_TRUE(bucle.esperarHasta([&] { return fines[id].completa; }, 20));
      auto& f = fines[id];
      if (!f.fallo || !f.fallo->retomar) return f;
      if (retomadas) ++*retomadas;
      id = descargas.iniciar(p, f.fallo->retomar);
    }
    return fines[id];
  }
  std::vector<std::string> rangos() {
    std::vector<std::string> r;
    for (const auto& p : servidor.peticiones()) r.push_back(p.cabecera("Range"));
    return r;
  }
};

}  // namespace

TEST(DescargasCurl, CortesRepetidosContinuanDesdeLoRecibido) {
  Sesion s;
  const auto datos = azar(3'000'000, 1);
  s.servidor.publicar(
      "/v.zip", {.datos = datos, .cortarTras = 1'000'000, .cortesRestantes = 2, .etag = "\"v1\""});
  int retomadas = 0;
  auto f = s.bajar(s.peticion("v.zip"), &retomadas);
  EXPECT_FALSE(f.fallo);
  EXPECT_EQ(f.estado, 206);
  ASSERT_TRUE(f.contenido);
  EXPECT_TRUE(*f.contenido == datos);
  EXPECT_EQ(retomadas, 2);
  // Each new connection asks only for what is missing, naming the version it continues.
  EXPECT_EQ(s.rangos(), (std::vector<std::string>{"", "bytes=1000000-", "bytes=2000000-"}));
  EXPECT_EQ(s.servidor.peticiones()[1].cabecera("If-Range"), "\"v1\"");
  EXPECT_EQ(f.escritos, 3'000'000);
  EXPECT_EQ(f.esperados, 3'000'000);
}

TEST(DescargasCurl, SinRangosOConOtroArchivoEmpiezaDeCero) {
  {
    Sesion s;
    const auto datos = azar(2'000'000, 2);
    s.servidor.publicar("/v.zip", {.datos = datos,
                                   .aceptaRangos = false,
                                   .cortarTras = 700'000,
                                   .cortesRestantes = 1,
                                   .etag = "\"v1\""});
    auto f = s.bajar(s.peticion("v.zip"));
    EXPECT_FALSE(f.fallo) << f.fallo->descripcion;
    EXPECT_EQ(f.estado, 200);
    ASSERT_TRUE(f.contenido);
    EXPECT_TRUE(*f.contenido == datos) << "tamaño " << f.contenido->size();
  }
  {
    // The file changed between the cut and the new connection: the new one, whole.
    Sesion s;
    const auto viejo = azar(2'000'000, 3), nuevo = azar(1'500'000, 4);
    s.servidor.publicar(
        "/v.zip", {.datos = viejo, .cortarTras = 800'000, .cortesRestantes = 1, .etag = "\"v1\""});
    auto id = s.descargas.iniciar(s.peticion("v.zip"), std::nullopt);
    ASSERT_TRUE(s.bucle.esperarHasta([&] { return s.fines[id].completa; }));
    ASSERT_TRUE(s.fines[id].fallo && s.fines[id].fallo->retomar);
    EXPECT_EQ(s.fines[id].fallo->retomar->bytes, 800'000);
    s.servidor.publicar("/v.zip", {.datos = nuevo, .etag = "\"v2\""});
    auto otra = s.descargas.iniciar(s.peticion("v.zip"), s.fines[id].fallo->retomar);
    ASSERT_TRUE(s.bucle.esperarHasta([&] { return s.fines[otra].completa; }));
    EXPECT_FALSE(s.fines[otra].fallo);
    ASSERT_TRUE(s.fines[otra].contenido);
    EXPECT_TRUE(*s.fines[otra].contenido == nuevo);
  }
}

TEST(DescargasCurl, EstadosDeErrorYServidorCaido) {
  Sesion s;
  auto f = s.bajar(s.peticion("no-hay.zip"));
  EXPECT_FALSE(f.fallo);
  EXPECT_EQ(f.estado, 404);

  PeticionHttp caido;
  caido.url = "http://127.0.0.1:9/v.zip";
  auto g = s.bajar(caido);
  ASSERT_TRUE(g.fallo);
  EXPECT_FALSE(g.fallo->cancelada);
  EXPECT_FALSE(g.fallo->retomar);
  EXPECT_TRUE(g.fallo->descripcion.starts_with("el servidor rechazó la conexión. "));
}

TEST(DescargasCurl, UnaTransferenciaDetenidaEntregaLoRecibidoYSigueEnOtra) {
  Sesion s;
  const auto datos = azar(1'200'000, 5);
  s.servidor.publicar(
      "/v.zip",
      {.datos = datos, .detenerTras = 400'000, .detencionesRestantes = 1, .etag = "\"v1\""});
  auto id = s.descargas.iniciar(s.peticion("v.zip"), std::nullopt);
  ASSERT_TRUE(s.bucle.esperarHasta([&] { return s.fines[id].escritos == 400'000; }));
  std::optional<std::optional<DatosRetomar>> entregados;
  s.descargas.cancelarRetomando(
      id, [&](std::optional<DatosRetomar> d) { s.bucle.enPrincipal([&, d] { entregados = d; }); });
  ASSERT_TRUE(s.bucle.esperarHasta([&] { return entregados && s.fines[id].completa; }));
  EXPECT_TRUE(s.fines[id].fallo && s.fines[id].fallo->cancelada);
  ASSERT_TRUE(*entregados);
  EXPECT_EQ((*entregados)->bytes, 400'000);

  auto otra = s.descargas.iniciar(s.peticion("v.zip"), *entregados);
  ASSERT_TRUE(s.bucle.esperarHasta([&] { return s.fines[otra].completa; }));
  EXPECT_FALSE(s.fines[otra].fallo);
  ASSERT_TRUE(s.fines[otra].contenido);
  EXPECT_TRUE(*s.fines[otra].contenido == datos);
  EXPECT_EQ(s.rangos().back(), "bytes=400000-");
}

TEST(DescargasCurl, CancelarBorraLoRecibido) {
  Sesion s;
  s.servidor.publicar("/v.zip", {.datos = azar(600'000, 6),
                                 .detenerTras = 100'000,
                                 .detencionesRestantes = 1,
                                 .etag = "\"v1\""});
  auto id = s.descargas.iniciar(s.peticion("v.zip"), std::nullopt);
  ASSERT_TRUE(s.bucle.esperarHasta([&] { return s.fines[id].escritos == 100'000; }));
  s.descargas.cancelar(id);
  ASSERT_TRUE(s.bucle.esperarHasta([&] { return s.fines[id].completa; }));
  EXPECT_TRUE(s.fines[id].fallo && s.fines[id].fallo->cancelada);
  std::error_code e;
  size_t archivos = 0;
  for (auto it = std::filesystem::recursive_directory_iterator(s.t.ruta(), e);
       it != std::filesystem::recursive_directory_iterator(); ++it)
    archivos += it->is_regular_file();
  EXPECT_EQ(archivos, 0u);
}
