// The real download session against the local test server: a server that ignores ranges
// or changed its file never yields a spliced file, a stalled transfer hands over what it
// has, and a cancelled one leaves nothing. Continuing after cuts is in the installer's
// tests, through this same session.
#include <gtest/gtest.h>

#include <map>

#include "apoyo/bucle_manual.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/servidor_prueba.h"
#include "comun/archivos.h"
#include "plataforma/linux/descargas_curl.h"

using namespace orvo;
using namespace orvo::prueba;

namespace {

struct Fin {
  bool completa = false;
  std::optional<std::string> contenido;
  int estado = 0;
  std::optional<FalloDescarga> fallo;
  int64_t escritos = 0;
};

struct Sesion {
  CarpetaTemporal t;
  ServidorPrueba servidor;
  BucleManual bucle;
  DescargasCurl descargas{bucle, t.ruta()};
  std::map<TareaDescarga, Fin> fines;

  Sesion() {
    descargas.avisar({[this](TareaDescarga id, int64_t e, int64_t) { fines[id].escritos = e; },
                      [this](TareaDescarga id, const std::filesystem::path& archivo, int estado) {
                        fines[id].contenido = leerArchivo(archivo);
                        fines[id].estado = estado;
                      },
                      [this](TareaDescarga id, std::optional<FalloDescarga> f) {
                        fines[id].fallo = std::move(f);
                        fines[id].completa = true;
                      }});
  }
  // Starts /v.zip, continuing from `retomar`.
  TareaDescarga iniciar(std::optional<DatosRetomar> retomar = std::nullopt) {
    PeticionHttp p;
    p.url = servidor.base() + "v.zip";
    return descargas.iniciar(p, std::move(retomar));
  }
  // Runs it to its end.
  Fin& bajar(std::optional<DatosRetomar> retomar = std::nullopt) {
    auto id = iniciar(std::move(retomar));
    EXPECT_TRUE(bucle.esperarHasta([&] { return fines[id].completa; }));
    return fines[id];
  }
};

}  // namespace

TEST(DescargasCurl, SinRangosOConOtroArchivoEmpiezaDeCero) {
  for (bool cambia : {false, true}) {
    Sesion s;
    const auto viejo = bytesAlAzar(2'000'000, 2), nuevo = bytesAlAzar(1'500'000, 3);
    s.servidor.publicar("/v.zip", {.datos = viejo,
                                   .aceptaRangos = cambia,
                                   .cortarTras = 700'000,
                                   .cortesRestantes = 1,
                                   .etag = "\"v1\""});
    auto& cortada = s.bajar();
    ASSERT_TRUE(cortada.fallo && cortada.fallo->retomar);
    EXPECT_EQ(cortada.fallo->retomar->bytes, 700'000);
    // Either the server answers the range with the whole file, or the file changed
    // between the cut and the new connection: the answer, whole, is what is kept.
    if (cambia) s.servidor.publicar("/v.zip", {.datos = nuevo, .etag = "\"v2\""});
    auto& f = s.bajar(cortada.fallo->retomar);
    EXPECT_FALSE(f.fallo);
    EXPECT_EQ(f.estado, 200);
    ASSERT_TRUE(f.contenido);
    EXPECT_TRUE(*f.contenido == (cambia ? nuevo : viejo)) << "tamaño " << f.contenido->size();
  }
}

TEST(DescargasCurl, CancelarBorraLoRecibidoYUnaDetenidaLoEntregaYSigueEnOtra) {
  Sesion s;
  auto detenida = [&](int64_t tras) {
    s.servidor.publicar("/v.zip", {.datos = bytesAlAzar(1'200'000, 5),
                                   .detenerTras = size_t(tras),
                                   .detencionesRestantes = 1,
                                   .etag = "\"v1\""});
    auto id = s.iniciar();
    EXPECT_TRUE(s.bucle.esperarHasta([&] { return s.fines[id].escritos == tras; }));
    return id;
  };
  auto id = detenida(100'000);
  s.descargas.cancelar(id);
  ASSERT_TRUE(s.bucle.esperarHasta([&] { return s.fines[id].completa; }));
  EXPECT_TRUE(s.fines[id].fallo && s.fines[id].fallo->cancelada);
  size_t archivos = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(s.t.ruta()))
    archivos += e.is_regular_file();
  EXPECT_EQ(archivos, 0u);

  id = detenida(400'000);
  std::optional<std::optional<DatosRetomar>> entregados;
  s.descargas.cancelarRetomando(
      id, [&](std::optional<DatosRetomar> d) { s.bucle.enPrincipal([&, d] { entregados = d; }); });
  ASSERT_TRUE(s.bucle.esperarHasta([&] { return entregados && s.fines[id].completa; }));
  EXPECT_TRUE(s.fines[id].fallo && s.fines[id].fallo->cancelada);
  ASSERT_TRUE(*entregados);
  EXPECT_EQ((*entregados)->bytes, 400'000);
  auto& f = s.bajar(*entregados);
  EXPECT_FALSE(f.fallo);
  EXPECT_TRUE(f.contenido == bytesAlAzar(1'200'000, 5));
  EXPECT_EQ(s.servidor.peticiones().back().cabecera("Range"), "bytes=400000-");
}
