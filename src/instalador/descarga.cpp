// Starting an installation and bringing its archive into the working folder: a copy from
// a local source, or a download that resumes when it breaks and moves to a fresh
// connection when it stalls or crawls.
#include <algorithm>
#include <cassert>
#include <system_error>

#include "catalogo/nombre_app.h"
#include "comun/archivos.h"
#include "comun/log.h"
#include "instalador/instalador.h"

namespace orvo {

namespace {

constexpr double kEsperaPeticion = 30;             // seconds without data before a request gives up
constexpr double kVigilancia = 2.0;                // watchdog period
constexpr double kSinAvance = 25.0;                // idle seconds that count as a stall
constexpr double kLenta = 1'000'000;               // bytes per second below which it crawls
constexpr int64_t kRestoParaCambiar = 15'000'000;  // only worth a new connection above this
constexpr double kLentaDurante = 8.0;              // crawling this long earns a new connection
constexpr int kMaxCambios = 12;
constexpr int kMaxReintentos = 8;
constexpr double kCadaMuestra = 1.0;
constexpr double kCadaAviso = 0.25;

const char* const kDetenida =
    "La descarga se detuvo y no pudo continuar. Revisa tu conexión y vuelve a intentarlo.";

std::string mb(int64_t bytes) { return std::to_string(bytes / 1'048'576); }

std::string motivoDeFallo(const std::error_code& e) {
  return e == std::errc::no_space_on_device ? "no queda espacio en el disco" : e.message();
}

}  // namespace

void Instalador::comenzar(const AppRemota& app, bool automatica) {
  assert(plataforma_.bucle.enHiloPrincipal());
  if (enCurso(app.id)) return;
  std::erase_if(todas, [&](const auto& i) { return i->app.id == app.id; });

  bool valido = esNombreDeApp(app.app);
  std::string modo = valido && catalogo_.rutaInstalada(app) ? "actualizar" : "instalar";
  bool abierta = valido && catalogo_.abierta(app).has_value();
  auto propio = plataforma_.sistema.bundlePropio();
  bool propia = propio && *propio == app.bundle;
  auto inst = std::make_shared<Instalacion>(app, modo, abierta, propia, plataforma_.bucle.ahora());
  inst->automatica = automatica;
  todas.push_back(inst);
  if (!valido)
    return fallar(
        *inst, "El catálogo no da un nombre de app válido (\"" + app.app + "\"). No instalé nada.");

  auto tmp = plataforma_.sistema.carpetaTemporal() / ("orvo-suite-" + uuidMayusculas());
  std::error_code e;
  std::filesystem::create_directories(tmp, e);
  if (e)
    return fallar(*inst, "No pude crear la carpeta de trabajo en " + tmp.parent_path().string() +
                             ": " + e.message() + ". No instalé nada.");
  inst->tmp = tmp;
  inst->ocupada = std::make_shared<CarpetaOcupada>(tmp);
  Log::escribir(modo + " " + app.nombre + " " + app.version + " " + app.build.value_or(""));
  avisar(*inst);

  auto origen = catalogo_.urlDe(app.url);
  if (origen.enDisco())
    copiarLocal(inst, origen.archivo);
  else
    descargar(inst, origen);
}

void Instalador::copiarLocal(const std::shared_ptr<Instalacion>& inst,
                             const std::filesystem::path& origen) {
  auto destino = *inst->tmp / origen.filename();
  std::weak_ptr<int> vivo = vida_;
  Bucle& bucle = plataforma_.bucle;
  // The record travels along so the result lands on it even if it was cancelled meanwhile;
  // it is only touched, and let go, on the main thread.
  bucle.enSegundoPlano([this, vivo, inst, origen, destino, &bucle]() mutable {
    std::error_code e;
    std::filesystem::copy_file(origen, destino, std::filesystem::copy_options::overwrite_existing,
                               e);
    bool existe = std::filesystem::exists(origen);
    // The copy reports a full disk as a mere input/output error.
    std::error_code ignorado;
    if (e && std::filesystem::space(destino.parent_path(), ignorado).available <
                 std::filesystem::file_size(origen, ignorado))
      e = std::make_error_code(std::errc::no_space_on_device);
    bucle.enPrincipal([this, vivo, inst = std::move(inst), origen, destino, e, existe] {
      if (vivo.expired()) return;
      if (!existe)
        return fallar(*inst,
                      "No encuentro el archivo " + origen.filename().string() + " en la fuente");
      if (e)
        return fallar(*inst, "No pude copiar " + origen.filename().string() +
                                 " a la carpeta temporal: " + motivoDeFallo(e) +
                                 ". No instalé nada.");
      inst->bytes = inst->total = inst->app.tam.value_or(0);
      inst->pct = 1;
      avisar(*inst);
      descargado(inst, destino);
    });
  });
}

void Instalador::iniciarDescarga(const std::shared_ptr<Instalacion>& inst, const Ubicacion& url,
                                 std::optional<DatosRetomar> retomar) {
  double ahora = plataforma_.bucle.ahora();
  inst->url = url;
  inst->ultimoAvance = ahora;
  inst->lentaDesde.reset();
  inst->cambiando = false;
  inst->muestra = {ahora, inst->bytes};
  if (retomar) {
    auto peticion = retomar->peticion;
    inst->tarea = sesion_.iniciar(std::move(peticion), std::move(retomar));
  } else {
    inst->pct = 0;
    inst->bytes = 0;
    inst->muestra = {ahora, 0};
    auto peticion = catalogo_.solicitud(url.texto());
    peticion.espera = kEsperaPeticion;
    peticion.tamPublicado = inst->app.tam;
    inst->tarea = sesion_.iniciar(std::move(peticion), std::nullopt);
  }

  // One watchdog per installation, across all its connections.
  if (!inst->vigilante) {
    std::weak_ptr<int> vivo = vida_;
    std::weak_ptr<Instalacion> debil = inst;
    inst->vigilante = plataforma_.bucle.cada(kVigilancia, [this, vivo, debil] {
      auto i = debil.lock();
      if (!vivo.expired() && i) vigilar(i);
    });
  }
}

std::shared_ptr<Instalacion> Instalador::porTarea(TareaDescarga tarea) const {
  for (const auto& i : todas)
    if (i->tarea == tarea) return i;
  return nullptr;
}

void Instalador::progreso(TareaDescarga tarea, int64_t escritos, int64_t esperados) {
  if (auto inst = porTarea(tarea)) avanzar(*inst, escritos, esperados);
}

void Instalador::avanzar(Instalacion& inst, int64_t escritos, int64_t esperados) {
  double ahora = plataforma_.bucle.ahora();
  inst.bytes = escritos;
  inst.ultimoAvance = ahora;
  inst.total = esperados > 0 ? esperados : inst.app.tam.value_or(0);
  inst.pct = inst.total > 0 ? static_cast<double>(inst.bytes) / inst.total : 0;

  if (double desde = ahora - inst.muestra.fecha; desde >= kCadaMuestra) {
    double medida = (inst.bytes - inst.muestra.bytes) / desde;
    inst.velocidad = inst.velocidad == 0 ? medida : 0.6 * inst.velocidad + 0.4 * medida;
    inst.muestra = {ahora, inst.bytes};
  }
  if (ahora - inst.ultimoAvisoAvance >= kCadaAviso || inst.bytes == inst.total) {
    inst.ultimoAvisoAvance = ahora;
    avisar(inst);
  }
}

void Instalador::terminada(TareaDescarga tarea, const std::filesystem::path& archivo, int estado) {
  auto inst = porTarea(tarea);
  if (!inst || !inst->tmp) return;
  // The received file is gone once this notice returns.
  auto zip = *inst->tmp / "descarga.zip";
  auto guardado = mover(archivo, zip);
  if (estado >= 400)
    return fallar(*inst, "La fuente respondió " + std::to_string(estado) + " al descargar");
  if (guardado) return fallar(*inst, "No pude guardar la descarga: " + *guardado);
  descargado(inst, zip);
}

void Instalador::completada(TareaDescarga tarea, const std::optional<FalloDescarga>& fallo) {
  if (!fallo || fallo->cancelada) return;
  auto inst = porTarea(tarea);
  // A switch made this error; or the archive is already complete and in later hands.
  if (!inst || inst->cambiando || inst->zip) return;
  if (fallo->retomar && inst->url && inst->reintentos < kMaxReintentos) {
    ++inst->reintentos;
    Log::escribir("descarga de " + inst->app.nombre + " cortada (" + fallo->descripcion +
                  "): se retoma desde " + mb(inst->bytes) + " MB");
    return iniciarDescarga(inst, *inst->url, fallo->retomar);
  }
  fallar(*inst, "Se cortó la descarga: " + fallo->descripcion);
}

void Instalador::vigilar(const std::shared_ptr<Instalacion>& inst) {
  if (inst->fase != Fase::corriendo || inst->zip || !inst->tarea || inst->cambiando) return;
  double ahora = plataforma_.bucle.ahora();
  double quieta = ahora - inst->ultimoAvance;

  // Without a known size what is left is unknown too: bytes that dribble in count as
  // crawling (none at all is a stall).
  bool quedaMucho =
      inst->total > 0 ? inst->total - inst->bytes > kRestoParaCambiar : inst->velocidad > 0;
  if (inst->velocidad < kLenta && quedaMucho && ahora - inst->muestra.fecha > 0) {
    if (!inst->lentaDesde) inst->lentaDesde = ahora;
  } else {
    inst->lentaDesde.reset();
  }

  bool sinAvance = quieta > kSinAvance;
  if (sinAvance) {
    if (inst->reintentos >= kMaxReintentos) return fallar(*inst, kDetenida);
    ++inst->reintentos;
  } else if (inst->lentaDesde && ahora - *inst->lentaDesde > kLentaDurante) {
    if (inst->cambios >= kMaxCambios) return;  // it goes on slowly
    ++inst->cambios;
  } else {
    return;
  }

  std::string razon =
      sinAvance
          ? "sin avance"
          : "lenta (" + std::to_string(static_cast<int64_t>(inst->velocidad / 1024)) + " KB/s)";
  Log::escribir("descarga de " + inst->app.nombre + " " + razon + ": otra conexión desde " +
                mb(inst->bytes) + " MB (" + std::to_string(inst->cambios + inst->reintentos) + ")");
  cambiarConexion(inst);
}

void Instalador::cambiarConexion(const std::shared_ptr<Instalacion>& inst) {
  if (!inst->tarea || !inst->url) return;
  inst->cambiando = true;
  auto tarea = *inst->tarea;
  std::weak_ptr<int> vivo = vida_;
  std::weak_ptr<Instalacion> debil = inst;
  Bucle& bucle = plataforma_.bucle;
  sesion_.cancelarRetomando(
      tarea, [this, vivo, debil, tarea, &bucle](std::optional<DatosRetomar> datos) {
        bucle.enPrincipal([this, vivo, debil, tarea, datos = std::move(datos)]() mutable {
          auto i = debil.lock();
          if (vivo.expired() || !i || !i->activa() || i->tarea != tarea || !i->url) return;
          // Without resume data this starts over from the first byte.
          iniciarDescarga(i, *i->url, std::move(datos));
        });
      });
}

}  // namespace orvo
