#include "apoyo/proxy_prueba.h"

#include <strings.h>

#include <chrono>

#include <httplib.h>

namespace orvo::prueba {

namespace {

// Headers of one hop that a proxy does not pass on, and those its own client writes anew.
bool deSalto(const std::string& nombre) {
  for (const char* h :
       {"Connection", "Proxy-Connection", "Keep-Alive", "Proxy-Authorization", "Host",
        "Content-Length", "Transfer-Encoding", "Content-Encoding", "Accept-Encoding"})
    if (strcasecmp(nombre.c_str(), h) == 0) return true;
  return false;
}

}  // namespace

ProxyPrueba::ProxyPrueba() : srv_(std::make_unique<httplib::Server>()) {
  // CONNECT has no route of its own; the others come with their bodies read.
  srv_->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    if (req.method != "CONNECT") return httplib::Server::HandlerResponse::Unhandled;
    atender(req, res);
    return httplib::Server::HandlerResponse::Handled;
  });
  auto pasar = [this](const httplib::Request& req, httplib::Response& res) { atender(req, res); };
  srv_->Get(".*", pasar);
  srv_->Post(".*", pasar);
  srv_->set_keep_alive_timeout(1);
  puerto_ = srv_->bind_to_any_port("127.0.0.1");
  hilo_ = std::thread([this] { srv_->listen_after_bind(); });
  while (!srv_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

ProxyPrueba::~ProxyPrueba() {
  srv_->stop();
  hilo_.join();
}

std::string ProxyPrueba::url() const { return "http://127.0.0.1:" + std::to_string(puerto_); }

std::vector<std::string> ProxyPrueba::pedidas() const {
  std::lock_guard l(m_);
  return pedidas_;
}

void ProxyPrueba::atender(const httplib::Request& req, httplib::Response& res) {
  {
    std::lock_guard l(m_);
    pedidas_.push_back(req.method + " " + req.target);
  }
  // The origins are the tests' own servers.
  const std::string origen = "http://127.0.0.1:";
  auto barra = req.target.find('/', origen.size());
  if (rechazo_ == 0 && req.target.starts_with(origen) && barra != std::string::npos) {
    httplib::Client cliente("127.0.0.1", std::stoi(req.target.substr(origen.size())));
    cliente.set_decompress(false);
    httplib::Request pasa;
    pasa.method = req.method;
    pasa.path = req.target.substr(barra);
    pasa.body = req.body;
    for (const auto& [k, v] : req.headers)
      if (!deSalto(k)) pasa.headers.emplace(k, v);
    if (auto r = cliente.send(pasa)) {
      res.status = r->status;
      for (const auto& [k, v] : r->headers)
        if (!deSalto(k) && strcasecmp(k.c_str(), "Content-Type") != 0) res.set_header(k, v);
      res.set_content(r->body, r->get_header_value("Content-Type").c_str());
      return;
    }
  }
  res.status = rechazo_ ? rechazo_.load() : 502;
  if (res.status == 407) res.set_header("Proxy-Authenticate", "Basic realm=\"prueba\"");
}

}  // namespace orvo::prueba
