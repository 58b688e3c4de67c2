// The web window in a real WebKitGTK view on a real (virtual) display: the queue before
// the load, what the page may post, where links go, closing and the frame saved in the
// real preferences.
#include <gtest/gtest.h>

#include <webkit2/webkit2.h>

#include "apoyo/carpeta_temporal.h"
#include "apoyo/girar.h"
#include "apoyo/sistema_prueba.h"
#include "plataforma/gtk/aplicacion.h"
#include "plataforma/gtk/ventana_web.h"
#include "plataforma/linux/preferencias_linux.h"

using namespace orvo;
using namespace orvo::prueba;
using namespace std::chrono_literals;

namespace {

// The page's answer to `js`, as JSON text.
std::string evaluar(VistaWeb* web, const std::string& js) {
  auto* vista = WEBKIT_WEB_VIEW(web->widget());
  struct Espera {
    bool listo = false;
    std::string texto;
  } espera;
  webkit_web_view_evaluate_javascript(
      vista, ("JSON.stringify(" + js + ")").c_str(), -1, nullptr, nullptr, nullptr,
      [](GObject* o, GAsyncResult* r, gpointer p) {
        auto* e = static_cast<Espera*>(p);
        if (auto* v = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(o), r, nullptr)) {
          char* s = jsc_value_to_string(v);
          e->texto = s;
          g_free(s);
          g_object_unref(v);
        }
        e->listo = true;
      },
      &espera);
  EXPECT_TRUE(girarHasta([&] { return espera.listo; }));
  return espera.texto;
}

}  // namespace

TEST(Ventanas, LoEnviadoAntesDeCargarLoQueLaPaginaEnviaAdondeVanSusEnlacesYLaFlotante) {
  ASSERT_TRUE(iniciarGtk());
  ASSERT_EQ(VistaWeb::preparar(ORVO_MODULO_WEB), std::nullopt);
  CarpetaTemporal t;
  SistemaPrueba sistema;
  sistema.casa = t.ruta();
  PreferenciasLinux prefs(sistema, "orvo-suite");
  std::vector<std::string> abiertos;
  auto crear = [&](bool flotante) {
    return std::make_unique<VentanaWeb>(
        FormaVentana{.pagina = "index.html",
                     .ancho = 860,
                     .alto = 560,
                     .autoguardado = "Marco",
                     .flotante = flotante},
        VentanaWeb::Entorno{.web = ORVO_PAGINAS,
                            .preferencias = prefs,
                            .abrirEnlace = [&](const std::string& u) { abiertos.push_back(u); }});
  };
  auto ruta = [](VentanaWeb& v) { return evaluar(v.vista(), "location.pathname"); };
  auto v = crear(false);
  std::vector<Json> mensajes;
  v->alMensaje = [&](const Json& m) { mensajes.push_back(m); };
  v->enviar({{"tipo", "estado"}, {"n", 1}});
  v->enviar({{"tipo", "otro"}, {"n", 2}});
  v->enviar({{"tipo", "estado"}, {"n", 3}});
  // Not JSON (not UTF-8): dropped, and the snapshot before it stays.
  v->enviar({{"tipo", "estado"}, {"n", std::string("\xff\xfe")}});
  girarDurante(300ms);
  EXPECT_FALSE(v->cargada());  // nothing loads while the window stays hidden
  EXPECT_FALSE(v->visible());

  v->mostrar();
  ASSERT_TRUE(girarHasta([&] { return v->cargada(); }));
  EXPECT_TRUE(v->visible());
  EXPECT_EQ(evaluar(v->vista(), "recibidos.map(e => e.n)"), "[2,3]");
  v->enviar({{"tipo", "estado"}, {"n", std::string("\xff")}});
  v->enviar({{"tipo", "estado"}, {"n", 4}});
  EXPECT_EQ(evaluar(v->vista(), "recibidos.map(e => e.n)"), "[2,3,4]");
  // The page's own greeting came through the handler; of what else it posts, only an
  // object gets through.
  ASSERT_TRUE(girarHasta([&] { return !mensajes.empty(); }));
  EXPECT_EQ(mensajes[0], (Json{{"accion", "estado"}}));
  evaluar(v->vista(),
          "(enviar('estado'), enviar(['estado']), enviar(3), enviar(null), enviar(true), "
          "enviar(() => 1), enviar({accion: 'revisar', id: 'x', n: [1, {a: null}]}), 1)");
  ASSERT_TRUE(girarHasta([&] { return mensajes.size() == 2; }));
  girarDurante(300ms);
  ASSERT_EQ(mensajes.size(), 2u);
  EXPECT_EQ(mensajes[1], Json::parse(R"({"accion":"revisar","id":"x","n":[1,{"a":null}]})"));

  // Closing hides; showing again keeps the page as it was.
  gtk_window_close(v->ventana());
  ASSERT_TRUE(girarHasta([&] { return !v->visible(); }));
  EXPECT_TRUE(prefs.leer("Marco"));
  v->mostrar();
  EXPECT_EQ(evaluar(v->vista(), "recibidos.length"), "3");

  // A web link goes to the browser and the page stays; a link to another page of the
  // program's own navigates inside the window.
  evaluar(v->vista(), "(document.getElementById('web').click(), 1)");
  ASSERT_TRUE(girarHasta([&] { return !abiertos.empty(); }));
  EXPECT_EQ(abiertos, std::vector<std::string>{"https://orvo.example/ayuda"});
  girarDurante(300ms);
  EXPECT_TRUE(ruta(*v).ends_with("/index.html\"")) << ruta(*v);
  evaluar(v->vista(), "(document.getElementById('local').click(), 1)");
  ASSERT_TRUE(girarHasta([&] { return ruta(*v).ends_with("/otra.html\""); }));
  EXPECT_EQ(abiertos.size(), 1u);

  // The floating window has a fixed size and remembers only its position.
  v.reset();
  prefs.guardar("Marco", "40,30,1000,900");
  v = crear(true);
  v->mostrar();
  ASSERT_TRUE(girarHasta([&] { return v->cargada(); }));
  EXPECT_FALSE(gtk_window_get_resizable(v->ventana()));
  int ancho = 0, alto = 0;
  girarDurante(300ms);
  gtk_window_get_size(v->ventana(), &ancho, &alto);
  EXPECT_EQ(std::make_pair(ancho, alto), std::make_pair(860, 560));
  v->ocultar();
  auto marco = prefs.leer("Marco").value_or("");
  EXPECT_TRUE(marco.ends_with(",860,560")) << marco;
}
