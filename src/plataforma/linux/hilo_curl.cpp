#include "plataforma/linux/hilo_curl.h"

#include <new>

#include "plataforma/linux/curl_global.h"

namespace orvo {

HiloCurl::HiloCurl(std::function<void(CURL*, CURLcode)> terminada, std::function<long()> vuelta,
                   long porServidor)
    : terminada_(std::move(terminada)), vuelta_(std::move(vuelta)) {
  prepararCurl();
  multi_ = curl_multi_init();
  if (!multi_) throw std::bad_alloc();
  if (porServidor > 0) curl_multi_setopt(multi_, CURLMOPT_MAX_HOST_CONNECTIONS, porServidor);
  hilo_ = std::thread([this] { correr(); });
}

HiloCurl::~HiloCurl() {
  detener();
  curl_multi_cleanup(multi_);
}

bool HiloCurl::ordenar(std::function<void()> orden) {
  {
    std::lock_guard l(m_);
    if (parar_) return false;
    ordenes_.push_back(std::move(orden));
  }
  curl_multi_wakeup(multi_);
  return true;
}

void HiloCurl::detener() {
  {
    std::lock_guard l(m_);
    parar_ = true;
  }
  if (!hilo_.joinable()) return;
  curl_multi_wakeup(multi_);
  hilo_.join();
  ordenes_.clear();
}

void HiloCurl::correr() {
  for (;;) {
    std::deque<std::function<void()>> ordenes;
    {
      std::lock_guard l(m_);
      if (parar_) break;
      ordenes.swap(ordenes_);
    }
    for (auto& orden : ordenes) orden();
    int corriendo = 0;
    curl_multi_perform(multi_, &corriendo);
    int quedan = 0;
    bool ocupado = corriendo > 0;
    while (CURLMsg* msg = curl_multi_info_read(multi_, &quedan)) {
      if (msg->msg != CURLMSG_DONE) continue;
      CURL* easy = msg->easy_handle;
      CURLcode codigo = msg->data.result;  // `msg` dies with the handle's removal
      curl_multi_remove_handle(multi_, easy);
      terminada_(easy, codigo);
      ocupado = true;  // it may have started the next transfer (a redirection)
    }
    // With nothing in flight only an order can bring work, and it wakes the poll: an idle
    // program should not wake every second all day.
    constexpr int kReposo = 3600 * 1000;
    curl_multi_poll(multi_, nullptr, 0, !ocupado ? kReposo : vuelta_ ? vuelta_() : 1000, nullptr);
  }
}

}  // namespace orvo
