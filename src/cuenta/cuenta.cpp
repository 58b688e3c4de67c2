#include "cuenta/cuenta.h"

#include <cctype>

#include "catalogo/catalogo.h"
#include "catalogo/fuente.h"
#include "comun/log.h"
#include "comun/url.h"

namespace orvo {

std::string sinConexion(const std::string& descripcion) {
  return "No pude conectarme al servidor: " + descripcion;
}

Cuenta::Cuenta(Plataforma& plataforma, Catalogo& catalogo)
    : plataforma_(plataforma), catalogo_(catalogo) {}

PeticionHttp Cuenta::peticion(const std::string& base, const std::string& accion,
                              const Json& cuerpo) const {
  PeticionHttp p;
  p.metodo = "POST";
  p.url = resolverTexto(base, "api.php?a=" + accion).value_or(base + "api.php?a=" + accion);
  p.espera = 25;
  p.sinCache = true;
  p.cabeceras.emplace_back("Content-Type", "application/json");
  auto tokens = leerTokens(catalogo_.carpeta);
  if (auto t = tokens.find(base); t != tokens.end() && admiteSecretos(p.url)) {
    p.cabeceras.emplace_back("X-Orvo-Token", t->second);
    p.privada = true;
  }
  try {
    p.cuerpo = cuerpo.dump();
  } catch (const Json::exception&) {
    // Text that is not UTF-8 cannot be sent as JSON: the request goes without a body.
  }
  return p;
}

namespace {

// Accepted: https anywhere, any scheme on this machine.
std::optional<std::string> direccionAceptada(const std::string& servidor) {
  auto texto = recortar(servidor);
  if (!texto.ends_with("/")) texto += "/";
  auto u = analizarUrl(texto);
  if (!u || !u->absoluta() || u->host().empty()) return std::nullopt;
  std::string host = u->host();
  for (auto& c : host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (u->esquema == "https" || host == "127.0.0.1" || host == "localhost") return texto;
  return std::nullopt;
}

}  // namespace

void Cuenta::entrar(const std::string& servidor, const std::string& email, const std::string& clave,
                    const std::string& acepta, std::function<void(Error)> listo) {
  auto direccion = direccionAceptada(servidor);
  if (!direccion) {
    listo("La dirección del servidor debe empezar con https://");
    return;
  }
  Json cuerpo = {{"email", email},
                 {"clave", clave},
                 {"acepta", acepta},
                 {"equipo", catalogo_.equipo()},
                 {"nombre_equipo", plataforma_.sistema.nombreEquipo()}};
  std::weak_ptr<int> vivo = vida_;
  auto& bucle = plataforma_.bucle;
  plataforma_.http.enviar(
      peticion(*direccion, "login", cuerpo),
      [this, vivo, &bucle, direccion = *direccion, email, listo](RespuestaHttp r) {
        // Parsed here, on the session's thread; only a JSON object means anything.
        std::optional<Json> objeto;
        if (!r.cuerpo.empty() && !r.excedido)
          if (auto j = analizarJson(r.cuerpo); j && j.valor().is_object()) objeto = j.valor();
        bucle.enPrincipal(
            [this, vivo, r = std::move(r), objeto = std::move(objeto), direccion, email, listo] {
              if (!vivo.lock()) return;
              if (!r.estado) return listo(sinConexion(r.error.value_or("")));
              if (objeto && objeto->contains("token") && (*objeto)["token"].is_string()) {
                auto tokens = leerTokens(catalogo_.carpeta);
                tokens[direccion] = (*objeto)["token"].get<std::string>();
                guardarTokens(tokens);
                Log::escribir("sesión iniciada en " + direccion + " como " + email);
                return listo(std::nullopt);
              }
              if (objeto && objeto->contains("error") && (*objeto)["error"].is_string())
                return listo((*objeto)["error"].get<std::string>());
              listo("El servidor no respondió como esperaba");
            });
      });
}

void Cuenta::salir(const std::string& base) {
  // Built before the token goes, so the server still learns which session ends.
  plataforma_.http.enviar(peticion(base, "salir", Json::object()), [](RespuestaHttp) {});
  auto tokens = leerTokens(catalogo_.carpeta);
  tokens.erase(base);
  guardarTokens(tokens);
  usuario.reset();
  avisos.clear();
}

void Cuenta::marcarLeido(const std::vector<int64_t>& ids, const std::string& base) {
  std::erase_if(
      avisos, [&](const Aviso& a) { return std::find(ids.begin(), ids.end(), a.id) != ids.end(); });
  for (auto id : ids)
    plataforma_.http.enviar(peticion(base, "leido", Json{{"id", id}}), [](RespuestaHttp) {});
}

void Cuenta::guardarTokens(const Tokens& tokens) const {
  (void)escribirTokens(catalogo_.carpeta, tokens);
}

Json Cuenta::json() const {
  // The page names the app as the catalogue does, not by its id.
  auto nombreDe = [&](const std::optional<std::string>& id) -> std::string {
    if (id && catalogo_.manifiesto)
      for (const auto& app : catalogo_.manifiesto->apps)
        if (app.id == *id) return app.nombre;
    return "";
  };
  Json lista = Json::array();
  for (const auto& a : avisos)
    lista.push_back({{"id", a.id},
                     {"titulo", a.titulo},
                     {"texto", a.texto.value_or("")},
                     {"app", a.app.value_or("")},
                     {"nombre_app", nombreDe(a.app)},
                     {"creado", a.creado.value_or("")}});
  Json j = {{"avisos", lista}};
  if (usuario)
    j["usuario"] = {{"nombre", usuario->nombre},
                    {"email", usuario->email},
                    {"rol", usuario->rol},
                    {"canal", usuario->canal}};
  if (errorLogin) j["errorLogin"] = *errorLogin;
  return j;
}

}  // namespace orvo
