#include "plataforma/linux/entrada_escritorio.h"

#include <cstdio>
#include <memory>

#include <glib.h>

namespace orvo {

namespace {

constexpr const char* kGrupo = G_KEY_FILE_DESKTOP_GROUP;
constexpr const char* kClaveBundle = "X-Orvo-Bundle";
constexpr const char* kClaveRuta = "X-Orvo-Ruta";

struct LiberarClaves {
  void operator()(GKeyFile* k) const { g_key_file_free(k); }
};
using Claves = std::unique_ptr<GKeyFile, LiberarClaves>;

bool utf8(const std::string& s) { return g_utf8_validate(s.data(), gssize(s.size()), nullptr); }

std::optional<std::string> texto(GKeyFile* k, const char* clave) {
  gchar* v = g_key_file_get_string(k, kGrupo, clave, nullptr);
  if (!v) return std::nullopt;
  std::string r(v);
  g_free(v);
  return r;
}

}  // namespace

std::string nombreDeEntrada(const std::string& bundle) {
  std::string nombre = "orvo-";
  for (unsigned char c : bundle) {
    if (g_ascii_isalnum(c) || c == '.' || c == '-') {
      nombre += char(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "_%02X", c);
      nombre += hex;
    }
  }
  return nombre + ".desktop";
}

std::string argumentoExec(const std::string& argumento) {
  std::string r = "\"";
  for (char c : argumento) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') r += '\\';
    if (c == '%') r += '%';
    r += c;
  }
  return r + "\"";
}

Resultado<std::string> textoDeEntrada(const EntradaBundle& e) {
  const std::string ruta = e.ruta.string(), exe = e.ejecutable.string();
  if (!utf8(e.bundle) || !utf8(ruta) || !utf8(e.nombre) || !utf8(exe))
    return Resultado<std::string>::fallo("su nombre o su ruta no son texto UTF-8 válido");
  Claves k(g_key_file_new());
  // set_string applies the format's own escapes (backslash, newline, leading space).
  g_key_file_set_string(k.get(), kGrupo, G_KEY_FILE_DESKTOP_KEY_TYPE,
                        G_KEY_FILE_DESKTOP_TYPE_APPLICATION);
  g_key_file_set_string(k.get(), kGrupo, G_KEY_FILE_DESKTOP_KEY_NAME, e.nombre.c_str());
  g_key_file_set_string(k.get(), kGrupo, G_KEY_FILE_DESKTOP_KEY_EXEC, argumentoExec(exe).c_str());
  g_key_file_set_boolean(k.get(), kGrupo, G_KEY_FILE_DESKTOP_KEY_TERMINAL, FALSE);
  g_key_file_set_string(k.get(), kGrupo, kClaveBundle, e.bundle.c_str());
  g_key_file_set_string(k.get(), kGrupo, kClaveRuta, ruta.c_str());
  gsize tam = 0;
  gchar* datos = g_key_file_to_data(k.get(), &tam, nullptr);
  std::string r(datos, tam);
  g_free(datos);
  return Resultado<std::string>::exito(std::move(r));
}

std::optional<EntradaBundle> leerEntrada(const std::filesystem::path& archivo) {
  Claves k(g_key_file_new());
  if (!g_key_file_load_from_file(k.get(), archivo.c_str(), G_KEY_FILE_NONE, nullptr))
    return std::nullopt;
  auto bundle = texto(k.get(), kClaveBundle);
  auto ruta = texto(k.get(), kClaveRuta);
  if (!bundle || !ruta || bundle->empty() || ruta->empty()) return std::nullopt;
  EntradaBundle e;
  e.bundle = std::move(*bundle);
  e.ruta = std::move(*ruta);
  return e;
}

}  // namespace orvo
