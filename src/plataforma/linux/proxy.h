// Which proxy a transfer goes through. The environment's variables win, as for every
// command-line tool; without them, the desktop's proxy settings through GIO's
// GProxyResolver (GNOME's settings, or libproxy where installed). The choice is made here
// and handed to curl whole, so the error texts can say when the proxy was at fault.
#pragma once

#include <optional>
#include <string>

#include <curl/curl.h>

namespace orvo {

// The proxy for `url`, absent for a direct connection. From the environment as curl reads
// it: http_proxy for http, https_proxy/HTTPS_PROXY for https, then all_proxy/ALL_PROXY,
// with no_proxy/NO_PROXY naming the hosts that go direct. Without any of those, the
// desktop's first proxy for `url` that curl can use ("socks://" read as SOCKS5).
std::optional<std::string> proxyPara(const std::string& url);

// Whether `host` goes direct under the no_proxy list `lista`: "*" is every host; else
// entries split by commas or blanks, each a name that matches the host or a domain above
// it (a leading dot ignored), or an IP address with an optional /bits prefix.
bool sinProxy(const std::string& host, const std::string& lista);

// "host:port" of a proxy URL, without its scheme or credentials, for messages.
std::string nombreDeProxy(const std::string& proxy);

// CURLOPT_PROXY from proxyPara ("" for direct) and an empty CURLOPT_NOPROXY, so curl
// applies exactly this choice.
void ponerProxy(CURL* easy, const std::string& url);

}  // namespace orvo
