// Where the catalogue comes from: a server's base URL or a local folder, and locations
// resolved against it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orvo {

// A location that is either a URL or a file on disk.
struct Ubicacion {
  std::optional<std::string> url;  // absolute text; absent for a file
  std::filesystem::path archivo;   // set for a file

  bool enDisco() const { return !url.has_value(); }
  std::string texto() const { return url ? *url : archivo.string(); }
};

struct Base {
  // Server: the absolute text with its closing "/". Absent for a local folder.
  std::optional<std::string> servidor;
  std::filesystem::path carpeta;  // local folder, without a closing separator
  bool valida = true;             // false: a server address that does not parse

  bool esServidor() const { return servidor.has_value(); }
  std::string texto() const { return servidor ? *servidor : carpeta.string(); }
};

// Trims spaces and tabs; "http://" or "https://" (exact case) makes a server with a
// closing "/"; anything else is a folder, with a leading "~" meaning `casa`.
Base baseDe(std::string_view fuente, const std::filesystem::path& casa);

// `texto` resolved against `base` as a URL reference; text that is not a URL is
// appended to the base as one more path component.
Ubicacion resolverEn(const Base& base, std::string_view texto);

// The reference `referencia` resolved against the absolute URL `base`; absent when
// either does not parse.
std::optional<std::string> resolverTexto(std::string_view base, std::string_view referencia);

// Spaces and tabs (the horizontal white space, not line breaks) off both ends.
std::string recortar(std::string_view texto);

}  // namespace orvo
