// URL references as RFC 3986 reads them: parsing, resolution against a base, the text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvo {

struct Url {
  std::string esquema;                   // "" for a relative reference
  std::optional<std::string> autoridad;  // userinfo@host:port, as written
  std::string ruta;
  std::optional<std::string> consulta;
  std::optional<std::string> fragmento;

  bool absoluta() const { return !esquema.empty(); }
  // The host of the authority, without userinfo, port or IPv6 brackets; "" when none.
  std::string host() const;
  std::string texto() const;
};

// A reference is refused when it holds characters a URL may not carry unescaped (spaces,
// controls, non-ASCII, "<>\"{}|\\^`"), a broken percent escape, or a bad scheme.
std::optional<Url> analizarUrl(std::string_view texto);

// RFC 3986 section 5.2: the target of `referencia` seen from the absolute `base`.
Url resolverUrl(const Url& base, const Url& referencia);

// "scheme://host:port" in lower case with the scheme's default port filled in; absent for
// text that is not an absolute http(s) URL with a host.
std::optional<std::string> origenDe(std::string_view url);
// A secret may travel to `url`: https, or plain http only to this machine.
bool admiteSecretos(std::string_view url);

// Percent-escapes a file-system path for a file URL, and back.
std::string escaparRuta(std::string_view ruta);
std::optional<std::string> desescapar(std::string_view texto);

}  // namespace orvo
