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

}  // namespace

std::string PeticionRecibida::cabecera(const std::string& nombre) const {
  for (const auto& [k, v] : cabeceras)
    if (strcasecmp(k.c_str(), nombre.c_str()) == 0) return v;
  return "";
}

ServidorPrueba::ServidorPrueba() : srv_(std::make_unique<httplib::Server>()) {
  // The api.php actions, else the routes set with alRuta, else (GET) the published files.
  auto atender = [this](const httplib::Request& req, httplib::Response& res) {
    auto p = desde(req);
    anotar(p);
    Manejador m;
    std::shared_ptr<ArchivoPrueba> a;
    bool cortar = false, detener = false;
    std::string etag;
    {
      std::lock_guard l(m_);
      if (p.ruta == "/api.php" && p.metodo == "POST") {
        auto it = acciones_.find(p.accion);
        m = it != acciones_.end() ? it->second : [](const PeticionRecibida&) {
          return RespuestaPrueba{404, R"({"error":"acción desconocida"})"};
        };
      } else if (auto r = rutas_.find(p.ruta); r != rutas_.end()) {
        m = r->second;
      } else if (auto f = archivos_.find(p.ruta);
                 f != archivos_.end() && (p.metodo == "GET" || p.metodo == "HEAD")) {
        a = f->second;
        cortar = a->cortesRestantes > 0 && a->cortesRestantes--;
        detener = a->detencionesRestantes > 0 && a->detencionesRestantes--;
        if (a->etagTras > 0)
          --a->etagTras;
        else if (!a->etagLuego.empty())
          a->etag = a->etagLuego;
        etag = a->etag;
      }
    }
    if (m) {
      auto r = m(p);
      res.status = r.estado;
      for (const auto& [k, v] : r.cabeceras) res.set_header(k, v);
      return res.set_content(r.cuerpo, r.tipo.c_str());
    }
    if (!a) {
      res.status = 404;
      return;
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
    if (a->aceptaRangos && !a->sinFin) {
      res.set_header("Accept-Ranges", "bytes");
      res.set_content_provider(a->datos.size(), "application/zip", proveer);
      return;
    }
    // Chunked, so the server cannot apply the client's Range: the whole file every time,
    // or the data repeated for ever.
    auto desplazamiento = std::make_shared<size_t>(0);
    res.set_chunked_content_provider(
        "application/zip", [a, proveer, desplazamiento](size_t, httplib::DataSink& sink) {
          if (*desplazamiento >= a->datos.size()) {
            sink.done();
            return true;
          }
          size_t trozo = std::min<size_t>(a->datos.size() - *desplazamiento, 64 * 1024);
          if (!proveer(*desplazamiento, trozo, sink)) return false;
          *desplazamiento += trozo;
          if (a->sinFin) *desplazamiento %= a->datos.size();
          return true;
        });
  };
  srv_->Get(R"(/.*)", atender);
  srv_->Post(R"(/.*)", atender);
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
