#include "plataforma/linux/descargas_curl.h"

#include <chrono>
#include <system_error>

#include "comun/archivos.h"
#include "plataforma/linux/errores_curl.h"
#include "plataforma/linux/redireccion.h"
#include "plataforma/linux/tramos_curl.h"
#include "plataforma/linux/transferencia_descarga.h"

namespace orvo {

namespace fs = std::filesystem;

namespace {

// Progress crosses to the main thread at most this often (and at the last byte): the
// installer reports four times a second, the speed once a second.
constexpr double kCadaAvance = 0.1;

double segundos() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

DescargasCurl::DescargasCurl(Bucle& bucle, const fs::path& temporal)
    : bucle_(bucle),
      carpeta_(temporal / ("orvo-descargas-" + uuidMayusculas())),
      hilo_([this](CURL* easy, CURLcode codigo) { terminar(easy, codigo); },
            [this] { return vuelta(); }) {}

DescargasCurl::~DescargasCurl() {
  hilo_.detener();
  for (auto& [easy, t] : activas_) curl_multi_remove_handle(hilo_.multi(), easy);
  activas_.clear();
  for (auto& [easy, v] : enVuelo_) curl_multi_remove_handle(hilo_.multi(), easy);
  enVuelo_.clear();
  tramos_.clear();
  quitarArbol(carpeta_);
}

void DescargasCurl::avisar(Avisos avisos) { oyentes_->avisos = std::move(avisos); }

TareaDescarga DescargasCurl::iniciar(PeticionHttp peticion, std::optional<DatosRetomar> retomar) {
  TareaDescarga id = siguiente_++;
  hilo_.ordenar([this, id, peticion = std::move(peticion), retomar = std::move(retomar)]() mutable {
    empezar(id, std::move(peticion), std::move(retomar));
  });
  return id;
}

void DescargasCurl::cancelarRetomando(TareaDescarga tarea,
                                      std::function<void(std::optional<DatosRetomar>)> listo) {
  hilo_.ordenar([this, tarea, listo = std::move(listo)] {
    auto t = quitar(tarea);
    std::optional<DatosRetomar> datos;
    if (t) {
      std::fflush(t->archivo);
      datos = t->retomar();
      t->cerrarArchivo();
      std::error_code e;
      if (!datos) fs::remove(t->parcial, e);
      completada(tarea, FalloDescarga{true, "se canceló la transferencia", std::nullopt});
    }
    listo(std::move(datos));
  });
}

void DescargasCurl::cancelar(TareaDescarga tarea) {
  hilo_.ordenar([this, tarea] {
    if (auto r = tramos_.find(tarea); r != tramos_.end()) {
      auto t = r->second;
      t->listo = nullptr;
      return cerrarTramos(*t, std::nullopt);
    }
    if (auto t = quitar(tarea)) {
      t->cerrarArchivo();
      std::error_code e;
      fs::remove(t->parcial, e);
      completada(tarea, FalloDescarga{true, "se canceló la transferencia", std::nullopt});
    }
  });
}

std::unique_ptr<DescargasCurl::Transferencia> DescargasCurl::quitar(TareaDescarga id) {
  for (auto it = activas_.begin(); it != activas_.end(); ++it) {
    if (it->second->id != id) continue;
    auto t = std::move(it->second);
    activas_.erase(it);
    curl_multi_remove_handle(hilo_.multi(), t->easy.get());
    return t;
  }
  return nullptr;
}

void DescargasCurl::empezar(TareaDescarga id, PeticionHttp peticion,
                            std::optional<DatosRetomar> retomar, int saltos) {
  auto t = std::make_unique<Transferencia>();
  t->id = id;
  t->saltos = saltos;
  t->peticion = std::move(peticion);
  std::error_code e;
  fs::create_directories(carpeta_, e);
  if (!ocupada_) ocupada_ = std::make_unique<CarpetaOcupada>(carpeta_);
  // A continued download keeps writing the file the broken one left.
  auto archivo = retomar && !retomar->parcial.empty()
                     ? retomar->parcial
                     : carpeta_ / (std::to_string(id) + ".parcial");
  if (auto fallo = t->preparar(archivo, retomar)) {
    fs::remove(archivo, e);
    return completada(id, FalloDescarga{false, *fallo, std::nullopt});
  }
  t->alAvanzar = [this](Transferencia& x) { progreso(x); };
  if (curl_multi_add_handle(hilo_.multi(), t->easy.get()) != CURLM_OK)
    return completada(id, FalloDescarga{false, "no hubo memoria suficiente", std::nullopt});
  // A continued download reports at once that it already holds its first bytes.
  if (t->escritos > 0) progreso(*t);
  activas_.emplace(t->easy.get(), std::move(t));
}

void DescargasCurl::progreso(Transferencia& t) {
  if (t.escritos == t.reportado) return;
  double ahora = segundos();
  bool ultimo = t.esperados >= 0 && t.escritos >= t.esperados;
  // Held back; the session loop reports it once the pace allows.
  if (!ultimo && ahora - t.ultimoAviso < kCadaAvance) return;
  t.ultimoAviso = ahora;
  t.reportado = t.escritos;
  std::weak_ptr<Oyentes> oyentes = oyentes_;
  bucle_.enPrincipal([oyentes, id = t.id, escritos = t.escritos, esperados = t.esperados] {
    if (auto o = oyentes.lock(); o && o->avisos.progreso)
      o->avisos.progreso(id, escritos, esperados);
  });
}

void DescargasCurl::completada(TareaDescarga id, std::optional<FalloDescarga> fallo) {
  std::weak_ptr<Oyentes> oyentes = oyentes_;
  bucle_.enPrincipal([oyentes, id, fallo = std::move(fallo)]() mutable {
    if (auto o = oyentes.lock(); o && o->avisos.completada)
      o->avisos.completada(id, std::move(fallo));
  });
}

void DescargasCurl::terminar(CURL* easy, CURLcode codigo) {
  if (terminarTramo(easy, codigo)) return;
  auto it = activas_.find(easy);
  if (it == activas_.end()) return;
  auto t = std::move(it->second);
  activas_.erase(it);
  bool escrito = t->archivo && std::fflush(t->archivo) == 0;
  int codigoEscritura = escrito ? 0 : errno;
  t->cerrarArchivo();
  if (codigo == CURLE_OK && escrito) {
    long estado = t->estado();
    char* otra = nullptr;
    curl_easy_getinfo(t->easy.get(), CURLINFO_REDIRECT_URL, &otra);
    if (t->peticion.privada && estado >= 300 && estado < 400 && otra) {
      std::error_code e;
      fs::remove(t->parcial, e);
      return redirigir(*t, otra);
    }
    // The last byte's report may have been held back by the pace limit.
    t->ultimoAviso = -1;
    progreso(*t);
    std::weak_ptr<Oyentes> oyentes = oyentes_;
    bucle_.enPrincipal([oyentes, id = t->id, parcial = t->parcial, estado] {
      auto o = oyentes.lock();
      if (o && o->avisos.terminada) o->avisos.terminada(id, parcial, static_cast<int>(estado));
      // The file is the receiver's only while the notice runs.
      std::error_code e;
      fs::remove(parcial, e);
      if (o && o->avisos.completada) o->avisos.completada(id, std::nullopt);
    });
    return;
  }
  if (codigo == CURLE_OK) t->falloPropio = motivoDeEscritura(codigoEscritura);
  // The receiver counts what it has from the reports: the last one goes out first.
  t->ultimoAviso = -1;
  progreso(*t);
  std::string descripcion =
      t->falloPropio ? *t->falloPropio : describirFalloCurl(t->easy.get(), codigo);
  auto datos = t->retomar();
  std::error_code e;
  if (!datos) fs::remove(t->parcial, e);
  completada(t->id, FalloDescarga{false, descripcion, std::move(datos)});
}

void DescargasCurl::redirigir(const Transferencia& t, const std::string& url) {
  auto siguiente = saltoDeRedireccion(t.peticion, url, t.saltos + 1);
  if (!siguiente) return completada(t.id, FalloDescarga{false, siguiente.error(), std::nullopt});
  empezar(t.id, std::move(siguiente).valor(), std::nullopt, t.saltos + 1);
}

long DescargasCurl::vuelta() {
  // Bytes that arrived just after a report are told even if nothing more comes.
  bool pendientes = false;
  for (auto& [easy, t] : activas_) {
    progreso(*t);
    pendientes = pendientes || t->escritos != t->reportado;
  }
  return pendientes ? 50 : 1000;
}

}  // namespace orvo
