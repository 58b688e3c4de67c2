// The manifest refresh: from a local folder or, through the account, from a server.
#include <system_error>

#include "catalogo/catalogo.h"
#include "comun/archivos.h"
#include "cuenta/cuenta.h"
#include "plataforma/consejo_http.h"

namespace orvo {

namespace {

constexpr size_t kManifiestoMaximo = 32u << 20;

Resultado<Manifiesto> leerLocal(const Base& b) {
  auto ruta = b.carpeta / "orvo-suite.json";
  std::error_code e;
  auto tam = std::filesystem::file_size(ruta, e);
  if (!e && tam > kManifiestoMaximo)
    return Resultado<Manifiesto>::fallo("orvo-suite.json no es válido: pesa más de " +
                                        std::to_string(kManifiestoMaximo >> 20) + " MB");
  auto texto = leerArchivo(ruta, kManifiestoMaximo);
  if (!texto)
    return Resultado<Manifiesto>::fallo("No encuentro orvo-suite.json en " + b.carpeta.string());
  auto m = decodificar<Manifiesto>(*texto);
  if (!m) return Resultado<Manifiesto>::fallo("orvo-suite.json no es válido: " + m.error());
  return m;
}

// Runs on the session's thread: decoding only, no state.
Resultado<Manifiesto> leerRespuesta(const RespuestaHttp& r) {
  if (!r.estado) return Resultado<Manifiesto>::fallo(sinConexion(r.error.value_or("")));
  if (*r.estado < 400) {
    auto m = r.excedido ? Resultado<Manifiesto>::fallo("") : decodificar<Manifiesto>(r.cuerpo);
    if (m) return m;
    return Resultado<Manifiesto>::fallo("El servidor respondió algo que no entiendo");
  }
  return Resultado<Manifiesto>::fallo("El servidor respondió con un error (" +
                                      std::to_string(*r.estado) + "). " + consejoHttp(*r.estado));
}

}  // namespace

void Catalogo::revisar(std::function<void()> listo) {
  auto b = base();
  if (!b.esServidor()) {
    auto r = leerLocal(b);
    std::weak_ptr<int> vivo = vida_;
    plataforma_.bucle.enPrincipal([this, vivo, r = std::move(r), listo]() mutable {
      if (vivo.lock()) terminar(std::move(r), false, std::move(listo));
    });
    return;
  }
  revisarServidor(b, std::move(listo));
}

void Catalogo::revisarServidor(const Base& b, std::function<void()> listo) {
  std::weak_ptr<int> vivo = vida_;
  if (!b.valida) {
    // An address that is not a URL cannot be reached; say so instead of trying.
    auto r = Resultado<Manifiesto>::fallo(
        sinConexion("la dirección " + *b.servidor + " no es una dirección válida"));
    plataforma_.bucle.enPrincipal([this, vivo, r = std::move(r), listo]() mutable {
      if (vivo.lock()) terminar(std::move(r), true, std::move(listo));
    });
    return;
  }
  if (necesitaLogin()) {
    manifiesto.reset();
    errorFuente.reset();
    plataforma_.bucle.enPrincipal([this, vivo, listo] {
      if (!vivo.lock()) return;
      avisar();
      if (listo) listo();
    });
    return;
  }
  auto base = *b.servidor;
  auto& bucle = plataforma_.bucle;
  plataforma_.http.enviar(
      vecinos_.cuenta().peticion(base, "feed", reporte()),
      [this, vivo, &bucle, base, listo](RespuestaHttp r) {
        bool finDeSesion = r.estado == 401;
        auto m = finDeSesion ? Resultado<Manifiesto>::fallo("") : leerRespuesta(r);
        bucle.enPrincipal([this, vivo, base, finDeSesion, m = std::move(m), listo]() mutable {
          if (!vivo.lock()) return;
          if (finDeSesion) return terminarSesion(base, std::move(listo));
          terminar(std::move(m), true, std::move(listo));
        });
      });
}

void Catalogo::terminar(Resultado<Manifiesto> r, bool servidor, std::function<void()> listo) {
  if (r) {
    manifiesto = std::move(r).valor();
    errorFuente.reset();
    if (servidor) {
      auto& cuenta = vecinos_.cuenta();
      cuenta.usuario = manifiesto->usuario;
      cuenta.avisos = manifiesto->avisos;
    }
    vecinos_.sincronizar(*manifiesto);
  } else {
    errorFuente = r.error();
  }
  revisado = ahoraUtc();
  avisar();
  if (listo) listo();
}

void Catalogo::terminarSesion(const std::string& base, std::function<void()> listo) {
  auto& cuenta = vecinos_.cuenta();
  auto tokens = leerTokens(carpeta);
  tokens.erase(base);
  cuenta.guardarTokens(tokens);
  cuenta.errorLogin = "Tu sesión terminó: vuelve a iniciar sesión";
  manifiesto.reset();
  avisar();
  if (listo) listo();
}

}  // namespace orvo
