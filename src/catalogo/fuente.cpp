#include "catalogo/fuente.h"

#include "comun/url.h"

namespace orvo {

namespace {

// The horizontal spaces of Unicode in UTF-8; line breaks are not among them. UTF-8 is
// self-synchronising, so matching whole encodings at either end is safe.
constexpr std::string_view kEspacios[] = {" ",
                                          "\t",
                                          "\xC2\xA0",
                                          "\xE1\x9A\x80",
                                          "\xE2\x80\x80",
                                          "\xE2\x80\x81",
                                          "\xE2\x80\x82",
                                          "\xE2\x80\x83",
                                          "\xE2\x80\x84",
                                          "\xE2\x80\x85",
                                          "\xE2\x80\x86",
                                          "\xE2\x80\x87",
                                          "\xE2\x80\x88",
                                          "\xE2\x80\x89",
                                          "\xE2\x80\x8A",
                                          "\xE2\x80\xAF",
                                          "\xE2\x81\x9F",
                                          "\xE3\x80\x80"};

}  // namespace

std::string recortar(std::string_view t) {
  for (bool otra = true; otra;) {
    otra = false;
    for (auto e : kEspacios) {
      if (t.starts_with(e)) t.remove_prefix(e.size()), otra = true;
      if (t.ends_with(e)) t.remove_suffix(e.size()), otra = true;
    }
  }
  return std::string(t);
}

Base baseDe(std::string_view fuente, const std::filesystem::path& casa) {
  auto t = recortar(fuente);
  Base b;
  if (t.starts_with("http://") || t.starts_with("https://")) {
    if (!t.ends_with("/")) t += "/";
    b.servidor = t;
    auto u = analizarUrl(t);
    b.valida = u && !u->host().empty();
    return b;
  }
  if (t == "~" || t.starts_with("~/")) t = casa.string() + t.substr(1);
  std::filesystem::path p(t);
  while (p.has_relative_path() && !p.has_filename()) p = p.parent_path();
  b.carpeta = p;
  return b;
}

std::optional<std::string> resolverTexto(std::string_view base, std::string_view referencia) {
  auto b = analizarUrl(base);
  auto r = analizarUrl(referencia);
  if (!b || !b->absoluta() || !r) return std::nullopt;
  return resolverUrl(*b, *r).texto();
}

Ubicacion resolverEn(const Base& base, std::string_view texto) {
  auto anexar = [&]() -> Ubicacion {
    if (base.esServidor()) return {*base.servidor + escaparRuta(texto), {}};
    return {std::nullopt, base.carpeta / std::string(texto)};
  };
  auto ref = analizarUrl(texto);
  if (!ref) return anexar();
  if (base.esServidor()) {
    auto b = analizarUrl(*base.servidor);
    if (!b) return anexar();
    return {resolverUrl(*b, *ref).texto(), {}};
  }
  // A folder is the URL file://<folder>/; a result with another scheme is a URL.
  auto carpeta = base.carpeta.string();
  if (!carpeta.ends_with("/")) carpeta += "/";
  auto b = analizarUrl("file://" + escaparRuta(carpeta));
  if (!b) return anexar();
  auto t = resolverUrl(*b, *ref);
  if (t.esquema != "file") return {t.texto(), {}};
  auto ruta = desescapar(t.ruta);
  if (!ruta) return anexar();
  return {std::nullopt, std::filesystem::path(*ruta)};
}

}  // namespace orvo
