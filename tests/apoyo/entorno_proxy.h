// The proxy variables of the environment for one test: all cleared, then the test's own
// set; the previous values come back afterwards. curl and the proxy choice read them on
// every transfer, so set them before the requests, not while any is under way.
#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace orvo::prueba {

using Variables = std::map<std::string, std::string>;

class EntornoProxy {
 public:
  explicit EntornoProxy(const Variables& valores = {}) {
    for (const char* v : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                          "no_proxy", "NO_PROXY"}) {
      const char* antes = std::getenv(v);
      antes_[v] = antes ? std::optional<std::string>(antes) : std::nullopt;
      unsetenv(v);
    }
    for (const auto& [k, v] : valores) setenv(k.c_str(), v.c_str(), 1);
  }
  ~EntornoProxy() {
    for (const auto& [k, v] : antes_)
      v ? (void)setenv(k.c_str(), v->c_str(), 1) : (void)unsetenv(k.c_str());
  }
  EntornoProxy(const EntornoProxy&) = delete;
  EntornoProxy& operator=(const EntornoProxy&) = delete;

 private:
  std::map<std::string, std::optional<std::string>> antes_;
};

}  // namespace orvo::prueba
