#include "comun/log.h"
#include "comun/url.h"
#include "shell/app_delegate.h"

namespace orvo {

namespace {

std::optional<std::string> texto(const Json& m, const char* clave) {
  auto v = m.find(clave);
  if (v == m.end() || !v->is_string()) return std::nullopt;
  return v->get<std::string>();
}

// A boolean parameter; absent or of another type means true.
bool siNoFalso(const Json& m, const char* clave) {
  auto v = m.find(clave);
  return v == m.end() || !v->is_boolean() || v->get<bool>();
}

std::optional<std::vector<int64_t>> enteros(const Json& m, const char* clave) {
  auto v = m.find(clave);
  if (v == m.end() || !v->is_array()) return std::nullopt;
  std::vector<int64_t> r;
  for (const auto& e : *v) {
    if (!e.is_number_integer()) return std::nullopt;
    r.push_back(e.get<int64_t>());
  }
  return r;
}

// Only web and mail addresses leave the page: a file or a custom scheme handed to the
// desktop's default handler could start a program.
bool enlaceAbrible(const std::string& url) {
  auto u = analizarUrl(url);
  if (!u || !u->absoluta()) return false;
  std::string esquema;
  for (char c : u->esquema) esquema += static_cast<char>(std::tolower(c));
  return esquema == "http" || esquema == "https" || esquema == "mailto";
}

}  // namespace

std::optional<AppRemota> AppDelegate::appDe(const Json& m) const {
  auto id = texto(m, "id");
  auto& manifiesto = nucleo_.catalogo().manifiesto;
  if (!id || !manifiesto) return std::nullopt;
  for (const auto& app : manifiesto->apps)
    if (app.id == *id) return app;
  return std::nullopt;
}

void AppDelegate::mensaje(const Json& m) {
  if (!m.is_object()) return;
  auto accion = texto(m, "accion").value_or("");
  auto id = texto(m, "id");
  auto app = appDe(m);
  auto& catalogo = nucleo_.catalogo();
  auto& instalador = nucleo_.instalador();
  auto ajustar = [&](const std::function<void(Ajustes&)>& cambio) {
    catalogo.cambiarAjustes(cambio);
  };

  if (accion == "estado") {
    estado();
  } else if (accion == "revisar") {
    revisar();
  } else if (accion == "instalar") {
    if (!app) return;
    instalador.descartar();
    if (actualizaciones_.esPropia(*app))
      actualizaciones_.actualizarme(true);
    else
      instalador.comenzar(*app, false);
  } else if (accion == "volver") {
    if (!app) return;
    instalador.descartar();
    instalador.volver(*app);
  } else if (accion == "omitir") {
    if (!app) return;
    auto version = textoVersion(app->version, app->build);
    ajustar([&](Ajustes& a) {
      if (siNoFalso(m, "valor"))
        a.omitidas[app->id] = version;
      else
        a.omitidas.erase(app->id);
    });
  } else if (accion == "instalarTodas") {
    actualizaciones_.instalarTodas();
  } else if (accion == "cerrarApp") {
    instalador.cerrarApp(id);
  } else if (accion == "cancelar") {
    instalador.cancelar(id);
    instalador_->ocultar();
    estado();
  } else if (accion == "autorizada") {
    instalador.autorizada();
  } else if (accion == "ajustesSeguridad") {
    instalador.abrirAjustesSeguridad();
  } else if (accion == "ocultarInstalador") {
    instalador_->ocultar();
    instalador.descartar();
  } else if (accion == "verInstalador") {
    verInstalacion();
  } else if (accion == "abrir") {
    if (app) abrirApp(*app);
  } else if (accion == "fuente") {
    auto valor = texto(m, "valor");
    if (!valor || valor->empty()) return;
    ajustar([&](Ajustes& a) { a.fuente = *valor; });
    catalogo.revisar();
  } else if (accion == "elegirCarpeta") {
    pantalla_.elegirCarpeta(siVive([this](std::optional<std::filesystem::path> carpeta) {
      if (!carpeta) return;
      nucleo_.catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = carpeta->string(); });
      nucleo_.catalogo().revisar();
    }));
  } else if (accion == "login") {
    entrar(m);
  } else if (accion == "salir") {
    catalogo.cerrarSesion();
  } else if (accion == "leido") {
    auto avisos = enteros(m, "avisos");
    if (!avisos) return;
    nucleo_.cuenta().marcarLeido(*avisos, catalogo.base().texto());
    estado();
  } else if (accion == "instalarAlCerrar") {
    ajustar([&](Ajustes& a) { a.instalarAlCerrar = siNoFalso(m, "valor"); });
  } else if (accion == "componente") {
    auto repo = texto(m, "repo");
    if (repo) ajustar([&](Ajustes& a) { a.componentes[*repo] = siNoFalso(m, "valor"); });
  } else if (accion == "compInstalar" || accion == "compQuitar") {
    if (id) nucleo_.componentes().pedir(accion == "compQuitar" ? "quitar" : "instalar", *id);
  } else if (accion == "compActivar") {
    if (id) nucleo_.componentes().activar(*id, siNoFalso(m, "valor"));
  } else if (accion == "avisar") {
    if (id) ajustar([&](Ajustes& a) { a.avisar[*id] = true; });
  } else if (accion == "enlace") {
    auto url = texto(m, "url");
    if (url && enlaceAbrible(*url)) pantalla_.abrirEnlace(*url);
  }
}

void AppDelegate::abrirApp(const AppRemota& app) {
  auto& catalogo = nucleo_.catalogo();
  auto ruta = catalogo.rutaInstalada(app);
  if (!ruta) return;
  auto& espacio = nucleo_.plataforma().espacio;
  if (auto abierta = catalogo.abierta(app)) {
    if (auto e = espacio.alFrente(*abierta))
      Log::escribir("no pude traer " + app.nombre + " al frente: " + *e);
    return;
  }
  if (auto e = espacio.abrir(*ruta)) Log::escribir("no pude abrir " + app.nombre + ": " + *e);
}

void AppDelegate::entrar(const Json& m) {
  auto servidor = texto(m, "servidor").value_or("");
  nucleo_.cuenta().entrar(
      servidor, texto(m, "email").value_or(""), texto(m, "clave").value_or(""),
      texto(m, "acepta").value_or(""), siVive([this, servidor](Error error) {
        nucleo_.cuenta().errorLogin = error;
        if (!error) {
          auto fuente = recortar(servidor);
          if (!fuente.ends_with('/')) fuente += '/';
          nucleo_.catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = fuente; });
          revisar();
        }
        estado();
      }));
}

}  // namespace orvo
