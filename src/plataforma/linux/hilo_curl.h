// One thread that drives a curl multi handle: it runs the orders other threads hand it,
// lets curl move every transfer, and reports each transfer that ended. The HTTP client
// and the download session each own one.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include <curl/curl.h>

namespace orvo {

class HiloCurl {
 public:
  // `terminada` runs on the thread for each handle that ended, already off the multi
  // handle. `vuelta`, after each round, says within how many milliseconds the thread must
  // look again even without network activity. `porServidor` limits the connections to one
  // server (0: curl's default).
  HiloCurl(std::function<void(CURL*, CURLcode)> terminada, std::function<long()> vuelta = {},
           long porServidor = 0);
  // Declare it after everything its callbacks use, and call detener() first in the
  // owner's destructor: the owner then takes its handles off multi() before this goes.
  ~HiloCurl();
  HiloCurl(const HiloCurl&) = delete;
  HiloCurl& operator=(const HiloCurl&) = delete;

  // Runs `orden` on the thread, in order. Dropped (false) once the thread is stopping.
  bool ordenar(std::function<void()> orden);
  // Stops and joins the thread without waiting for the network; orders not yet run are
  // dropped. Not from the thread itself.
  void detener();
  // For the thread's own use (and the owner's once stopped).
  CURLM* multi() const { return multi_; }

 private:
  void correr();

  std::function<void(CURL*, CURLcode)> terminada_;
  std::function<long()> vuelta_;
  CURLM* multi_;
  std::mutex m_;
  std::deque<std::function<void()>> ordenes_;
  bool parar_ = false;
  std::thread hilo_;
};

}  // namespace orvo
