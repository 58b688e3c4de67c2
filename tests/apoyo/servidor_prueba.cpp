#include "apoyo/servidor_prueba.h"

#include <chrono>

#include <httplib.h>

namespace orvo::prueba {

namespace {

PeticionRecibida desde(const httplib::Request& req) {
  PeticionRecibida p;
  p.metodo = req.method;
  p.ruta = req.path;
  p.accion = req.has_param("a") ? req.get_param_value("a") : "";
  for (const auto& [k, v] : req.headers) p.cabeceras.emplace(k, v);
  p.cuerpo = req.body;
  return p;
}

void responder(const RespuestaPrueba& r, httplib::Response& res) {
  res.status = r.estado;
  for (const auto& [k, v] : r.cabeceras) res.set_header(k, v);
  res.set_content(r.cuerpo, r.tipo.c_str());
}

}  // namespace

std::string PeticionRecibida::cabecera(const std::string& nombre) const {
  for (const auto& [k, v] : cabeceras)
    if (strcasecmp(k.c_str(), nombre.c_str()) == 0) return v;
  return "";
}

ServidorPrueba::ServidorPrueba() : srv_(std::make_unique<httplib::Server>()) {
  srv_->Post("/api.php", [this](const httplib::Request& req, httplib::Response& res) {
    auto p = desde(req);
    anotar(p);
    Manejador m;
    {
      std::lock_guard l(m_);
      auto it = acciones_.find(p.accion);
      if (it != acciones_.end()) m = it->second;
    }
    responder(m ? m(p) : RespuestaPrueba{404, R"({"error":"acción desconocida"})"}, res);
  });
  // Routes set with alRuta; false when none matches.
  auto ruta = [this](const PeticionRecibida& p, httplib::Response& res) {
    Manejador m;
    {
      std::lock_guard l(m_);
      auto it = rutas_.find(p.ruta);
      if (it == rutas_.end()) return false;
      m = it->second;
    }
    responder(m(p), res);
    return true;
  };
  auto otra = [this, ruta](const httplib::Request& req, httplib::Response& res) {
    auto p = desde(req);
    anotar(p);
    if (!ruta(p, res)) res.status = 404;
  };
  srv_->Post(R"(/.*)", otra);
  srv_->Put(R"(/.*)", otra);
  srv_->Patch(R"(/.*)", otra);
  srv_->Delete(R"(/.*)", otra);
  srv_->Options(R"(/.*)", otra);
  srv_->Get(R"(/.*)", [this, ruta](const httplib::Request& req, httplib::Response& res) {
    auto p = desde(req);
    anotar(p);
    if (ruta(p, res)) return;
    std::shared_ptr<ArchivoPrueba> a;
    {
      std::lock_guard l(m_);
      auto it = archivos_.find(req.path);
      if (it != archivos_.end()) a = it->second;
    }
    if (!a) {
      res.status = 404;
      return;
    }
    bool cortar = false, detener = false;
    {
      std::lock_guard l(m_);
      if (a->cortesRestantes > 0) cortar = a->cortesRestantes-- > 0;
      if (a->detencionesRestantes > 0) detener = a->detencionesRestantes-- > 0;
    }
    std::string etag;
    {
      std::lock_guard l(m_);
      if (a->etagTras > 0)
        --a->etagTras;
      else if (!a->etagLuego.empty())
        a->etag = a->etagLuego;
      etag = a->etag;
    }
    if (!etag.empty()) res.set_header("ETag", etag);
    // httplib applies any Range, even to a chunked answer. A server without ranges, and a
    // client's If-Range that names another version of the file, get the whole file.
    auto& rangos = const_cast<httplib::Request&>(req).ranges;
    if (!a->aceptaRangos ||
        (req.has_header("If-Range") && req.get_header_value("If-Range") != etag))
      rangos.clear();
    if (a->soloPrimerRango && rangos.size() > 1) rangos.resize(1);
    auto enviados = std::make_shared<size_t>(0);
    auto proveer = [this, a, cortar, detener, enviados](size_t offset, size_t length,
                                                        httplib::DataSink& sink) {
      size_t trozo = std::min<size_t>(length, 64 * 1024);
      if (a->bytesPorSegundo) trozo = std::min(trozo, std::max<size_t>(a->bytesPorSegundo / 10, 1));
      if (cortar && *enviados >= a->cortarTras) return false;
      if (detener && *enviados >= a->detenerTras) {
        // Hold the connection without sending until the client gives up or we close.
        while (!cerrando_ && sink.is_writable())
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return false;
      }
      if (cortar) trozo = std::min(trozo, a->cortarTras - *enviados);
      if (detener) trozo = std::min(trozo, a->detenerTras - *enviados);
      if (!sink.write(a->datos.data() + offset, trozo)) return false;
      *enviados += trozo;
      if (a->enviados) *a->enviados += trozo;
      if (a->bytesPorSegundo)
        std::this_thread::sleep_for(
            std::chrono::microseconds(trozo * 1000000 / a->bytesPorSegundo));
      return true;
    };
    if (a->sinFin) {
      auto desplazamiento = std::make_shared<size_t>(0);
      res.set_chunked_content_provider(
          "application/zip", [a, proveer, desplazamiento](size_t, httplib::DataSink& sink) {
            size_t trozo = std::min<size_t>(a->datos.size() - *desplazamiento, 64 * 1024);
            if (!proveer(*desplazamiento, trozo, sink)) return false;
            *desplazamiento = (*desplazamiento + trozo) % a->datos.size();
            return true;
          });
    } else if (a->aceptaRangos) {
      res.set_header("Accept-Ranges", "bytes");
      res.set_content_provider(a->datos.size(), "application/zip", proveer);
    } else {
      // Chunked, so the server cannot apply the client's Range: the whole file every time.
      auto desplazamiento = std::make_shared<size_t>(0);
      res.set_chunked_content_provider(
          "application/zip", [a, proveer, desplazamiento](size_t, httplib::DataSink& sink) {
            if (*desplazamiento >= a->datos.size()) {
              sink.done();
              return true;
            }
            size_t resto = a->datos.size() - *desplazamiento;
            size_t trozo = std::min<size_t>(resto, 64 * 1024);
            if (!proveer(*desplazamiento, trozo, sink)) return false;
            *desplazamiento += trozo;
            return true;
          });
    }
  });
  // Stopping waits for idle keep-alive connections; a client that outlives the server
  // would otherwise hold its end for httplib's default five seconds.
  srv_->set_keep_alive_timeout(1);
  puerto_ = srv_->bind_to_any_port("127.0.0.1");
  hilo_ = std::thread([this] { srv_->listen_after_bind(); });
  while (!srv_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

ServidorPrueba::~ServidorPrueba() {
  cerrando_ = true;
  srv_->stop();
  if (hilo_.joinable()) hilo_.join();
}

std::string ServidorPrueba::base() const {
  return "http://127.0.0.1:" + std::to_string(puerto_) + "/";
}

void ServidorPrueba::alAccion(const std::string& accion, Manejador m) {
  std::lock_guard l(m_);
  acciones_[accion] = std::move(m);
}

void ServidorPrueba::alRuta(const std::string& ruta, Manejador m) {
  std::lock_guard l(m_);
  rutas_[ruta] = std::move(m);
}

void ServidorPrueba::publicar(const std::string& ruta, ArchivoPrueba archivo) {
  std::lock_guard l(m_);
  archivos_[ruta] = std::make_shared<ArchivoPrueba>(std::move(archivo));
}

std::vector<PeticionRecibida> ServidorPrueba::peticiones() const {
  std::lock_guard l(m_);
  return registro_;
}

std::vector<PeticionRecibida> ServidorPrueba::peticionesDe(const std::string& accion) const {
  std::lock_guard l(m_);
  std::vector<PeticionRecibida> r;
  for (const auto& p : registro_)
    if (p.accion == accion) r.push_back(p);
  return r;
}

void ServidorPrueba::anotar(PeticionRecibida p) {
  std::lock_guard l(m_);
  registro_.push_back(std::move(p));
}

}  // namespace orvo::prueba
