// A forward HTTP proxy on 127.0.0.1 for the tests: it passes each plain request on to its
// server (on 127.0.0.1 only) and records it, or refuses every request (CONNECT included) with
// a status of the test's choice.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace orvo::prueba {

class ProxyPrueba {
 public:
  ProxyPrueba();
  ~ProxyPrueba();
  ProxyPrueba(const ProxyPrueba&) = delete;
  ProxyPrueba& operator=(const ProxyPrueba&) = delete;

  int puerto() const { return puerto_; }
  std::string url() const;  // "http://127.0.0.1:PORT"
  // Every request from now on gets only this status; 0 lets them through again.
  void rechazarCon(int estado) { rechazo_ = estado; }
  // "GET http://127.0.0.1:1234/uno.zip", one per request, in order of arrival.
  std::vector<std::string> pedidas() const;

 private:
  void atender(const httplib::Request& req, httplib::Response& res);

  std::unique_ptr<httplib::Server> srv_;
  std::thread hilo_;
  int puerto_ = 0;
  std::atomic<int> rechazo_{0};
  mutable std::mutex m_;
  std::vector<std::string> pedidas_;
};

}  // namespace orvo::prueba
