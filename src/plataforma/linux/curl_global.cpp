#include "plataforma/linux/curl_global.h"

#include <mutex>

#include <curl/curl.h>

namespace orvo {

void prepararCurl() {
  // Never undone: handles may live until exit, and the cleanup is not thread-safe.
  static std::once_flag una;
  std::call_once(una, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace orvo
