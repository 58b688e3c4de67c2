#include "plataforma/gtk/bandeja_sni.h"

#include <libdbusmenu-glib/client.h>
#include <libdbusmenu-glib/menuitem.h>
#include <libdbusmenu-glib/server.h>
#include <unistd.h>

#include <utility>
#include <vector>

#include "plataforma/gtk/bus_sesion.h"
#include "plataforma/gtk/icono_barra.h"

namespace orvo {

namespace {

constexpr const char* kRuta = "/StatusNotifierItem";
constexpr const char* kRutaMenu = "/MenuBar";
constexpr const char* kInterfaz = "org.kde.StatusNotifierItem";
constexpr const char* kVigia = "org.kde.StatusNotifierWatcher";
// Half a second, then twice as long each time: about 30 s in all.
constexpr int kMaxReintentos = 6;

constexpr const char* kXml = R"xml(<node><interface name="org.kde.StatusNotifierItem">
  <property name="Category" type="s" access="read"/>
  <property name="Id" type="s" access="read"/>
  <property name="Title" type="s" access="read"/>
  <property name="Status" type="s" access="read"/>
  <property name="WindowId" type="i" access="read"/>
  <property name="IconName" type="s" access="read"/>
  <property name="IconPixmap" type="a(iiay)" access="read"/>
  <property name="OverlayIconName" type="s" access="read"/>
  <property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
  <property name="AttentionIconName" type="s" access="read"/>
  <property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
  <property name="AttentionMovieName" type="s" access="read"/>
  <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
  <property name="ItemIsMenu" type="b" access="read"/>
  <property name="Menu" type="o" access="read"/>
  <method name="ContextMenu"><arg type="i" direction="in"/><arg type="i" direction="in"/></method>
  <method name="Activate"><arg type="i" direction="in"/><arg type="i" direction="in"/></method>
  <method name="SecondaryActivate"><arg type="i" direction="in"/><arg type="i" direction="in"/></method>
  <method name="Scroll"><arg type="i" direction="in"/><arg type="s" direction="in"/></method>
  <signal name="NewTitle"/>
  <signal name="NewIcon"/>
  <signal name="NewAttentionIcon"/>
  <signal name="NewOverlayIcon"/>
  <signal name="NewToolTip"/>
  <signal name="NewStatus"><arg type="s"/></signal>
</interface></node>)xml";

// The protocol's pixels are ARGB32 in network byte order and not premultiplied; cairo's
// are premultiplied words in the machine's order.
GVariant* pixmap(cairo_surface_t* s) {
  int ancho = cairo_image_surface_get_width(s), alto = cairo_image_surface_get_height(s);
  int paso = cairo_image_surface_get_stride(s);
  const unsigned char* datos = cairo_image_surface_get_data(s);
  std::vector<guint8> bytes;
  bytes.reserve(size_t(ancho) * alto * 4);
  for (int y = 0; y < alto; ++y) {
    auto fila = reinterpret_cast<const uint32_t*>(datos + y * paso);
    for (int x = 0; x < ancho; ++x) {
      uint32_t p = fila[x];
      unsigned a = p >> 24;
      auto canal = [&](int corrimiento) {
        unsigned c = (p >> corrimiento) & 0xff;
        return guint8(a ? (c * 255 + a / 2) / a : 0);
      };
      bytes.insert(bytes.end(), {guint8(a), canal(16), canal(8), canal(0)});
    }
  }
  GVariant* datosPixmap =
      g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, bytes.data(), bytes.size(), 1);
  return g_variant_new("(ii@ay)", ancho, alto, datosPixmap);
}

GVariant* sinPixmaps() { return g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0); }

DbusmenuMenuitem* entrada(DbusmenuMenuitem* raiz, const char* texto) {
  DbusmenuMenuitem* item = dbusmenu_menuitem_new();
  if (texto)
    dbusmenu_menuitem_property_set(item, DBUSMENU_MENUITEM_PROP_LABEL, texto);
  else
    dbusmenu_menuitem_property_set(item, DBUSMENU_MENUITEM_PROP_TYPE,
                                   DBUSMENU_CLIENT_TYPES_SEPARATOR);
  dbusmenu_menuitem_child_append(raiz, item);
  g_object_unref(item);
  return item;
}

}  // namespace

struct BandejaSni::Menu {
  DbusmenuServer* servidor = dbusmenu_server_new(kRutaMenu);
  DbusmenuMenuitem* raiz = dbusmenu_menuitem_new();
  // Held while out of the menu. It goes in and out rather than being hidden: adding or
  // removing a child is what makes the server announce a new layout, and hosts that keep
  // the layout they fetched last only look again then.
  DbusmenuMenuitem* verInstalacion = dbusmenu_menuitem_new();
  bool conVer = false;

  Menu(BandejaSni* bandeja) {
    auto& a = bandeja->acciones_;
    accion(entrada(raiz, "Abrir Orvo Suite"), &a.abrirPrincipal);
    accion(entrada(raiz, "Buscar actualizaciones"), &a.buscar);
    dbusmenu_menuitem_property_set(verInstalacion, DBUSMENU_MENUITEM_PROP_LABEL,
                                   "Ver la instalación");
    accion(verInstalacion, &a.verInstalacion);
    entrada(raiz, nullptr);
    DbusmenuMenuitem* salir = entrada(raiz, "Salir de Orvo Suite");
    dbusmenu_menuitem_property_set_variant(salir, DBUSMENU_MENUITEM_PROP_SHORTCUT,
                                           g_variant_new_parsed("[['Control', 'q']]"));
    accion(salir, &a.salir);
    // Hosts that announce the menu before showing it get the current installation state.
    g_signal_connect(raiz, DBUSMENU_MENUITEM_SIGNAL_ABOUT_TO_SHOW,
                     G_CALLBACK(+[](DbusmenuMenuitem*, gpointer b) -> gboolean {
                       static_cast<BandejaSni*>(b)->refrescarMenu();
                       return TRUE;
                     }),
                     bandeja);
    dbusmenu_server_set_root(servidor, raiz);
  }
  ~Menu() {
    g_object_unref(servidor);
    g_object_unref(raiz);
    g_object_unref(verInstalacion);
  }
  void mostrarVer(bool si) {
    if (si == conVer) return;
    conVer = si;
    if (si)
      dbusmenu_menuitem_child_add_position(raiz, verInstalacion, 2);
    else
      dbusmenu_menuitem_child_delete(raiz, verInstalacion);
  }
  static void accion(DbusmenuMenuitem* item, std::function<void()>* f) {
    g_signal_connect(item, DBUSMENU_MENUITEM_SIGNAL_ITEM_ACTIVATED,
                     G_CALLBACK(+[](DbusmenuMenuitem*, guint, gpointer f) {
                       auto& funcion = *static_cast<std::function<void()>*>(f);
                       if (funcion) funcion();
                     }),
                     f);
  }
};

BandejaSni::BandejaSni() = default;

BandejaSni::~BandejaSni() {
  if (!bus_) return;
  olvidarRegistro();
  g_bus_unwatch_name(vigia_);
  g_bus_unown_name(nombre_);
  g_dbus_connection_unregister_object(bus_, objeto_);
  menu_.reset();
  g_clear_pointer(&icono_, g_variant_unref);
  g_object_unref(bus_);
}

void BandejaSni::crear(Acciones acciones) {
  if (bus_) return;
  acciones_ = std::move(acciones);
  bus_ = busDeSesion("no hay icono en la bandeja");
  if (!bus_) return;
  GError* error = nullptr;
  static GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(kXml, nullptr);
  static const GDBusInterfaceVTable vtabla{alLlamar, alLeer, nullptr, {}};
  objeto_ = g_dbus_connection_register_object(bus_, kRuta, info->interfaces[0], &vtabla, this,
                                              nullptr, &error);
  if (!objeto_) anotarFallo(error, "No pude publicar el icono de la bandeja");
  menu_ = std::make_unique<Menu>(this);
  refrescarMenu();
  // The protocol's own form of name. Asked for before any watcher hears of it, so the bus
  // has given it to us by the time the watcher looks.
  static int instancia = 0;
  std::string nombre =
      "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(++instancia);
  nombre_ = g_bus_own_name_on_connection(bus_, nombre.c_str(), G_BUS_NAME_OWNER_FLAGS_NONE, nullptr,
                                         nullptr, nullptr, nullptr);
  nombreBien_ = nombre;
  // A new owner is a new watcher (a panel that restarted): it hears of the item afresh.
  vigia_ = g_bus_watch_name_on_connection(
      bus_, kVigia, G_BUS_NAME_WATCHER_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, gpointer yo) {
        auto* b = static_cast<BandejaSni*>(yo);
        b->olvidarRegistro();
        b->registrar();
      },
      [](GDBusConnection*, const gchar*, gpointer yo) {
        static_cast<BandejaSni*>(yo)->olvidarRegistro();
      },
      this, nullptr);
}

void BandejaSni::actualizar(int avisos, const std::string& ayuda) {
  bool icono = IconoBarra::textoInsignia(avisos) != IconoBarra::textoInsignia(avisos_);
  bool texto = ayuda != ayuda_;
  avisos_ = avisos;
  ayuda_ = ayuda;
  if (!bus_) return;
  if (icono) g_clear_pointer(&icono_, g_variant_unref);
  refrescarMenu();
  if (icono) emitir("NewIcon");
  if (texto) emitir("NewToolTip");
}

std::string BandejaSni::nombreEnElBus() const { return nombreBien_; }

void BandejaSni::refrescarMenu() {
  if (!menu_) return;
  menu_->mostrarVer(acciones_.hayInstalacion && acciones_.hayInstalacion());
}

void BandejaSni::emitir(const char* senal) {
  g_dbus_connection_emit_signal(bus_, nullptr, kRuta, kInterfaz, senal, nullptr, nullptr);
}

GVariant* BandejaSni::pixmaps() const {
  // The usual tray sizes and their doubles: a host that takes the nearest need not scale,
  // one that scales the largest down (xfce4-panel) still gets a sharp one.
  GVariantBuilder lista;
  g_variant_builder_init(&lista, G_VARIANT_TYPE("a(iiay)"));
  for (int lado : IconoBarra::kLados)
    g_variant_builder_add_value(&lista, pixmap(IconoBarra::pintar(avisos_, lado).get()));
  return g_variant_builder_end(&lista);
}

void BandejaSni::olvidarRegistro() {
  if (cancelar_) {
    g_cancellable_cancel(cancelar_);
    g_clear_object(&cancelar_);
  }
  if (reintento_) g_source_remove(std::exchange(reintento_, 0));
  fallos_ = 0;
}

void BandejaSni::registrar() {
  if (!cancelar_) cancelar_ = g_cancellable_new();
  g_dbus_connection_call(
      bus_, kVigia, "/StatusNotifierWatcher", kVigia, "RegisterStatusNotifierItem",
      g_variant_new("(s)", nombreBien_.c_str()), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, cancelar_,
      [](GObject* origen, GAsyncResult* resultado, gpointer yo) {
        GError* error = nullptr;
        GVariant* r = g_dbus_connection_call_finish(G_DBUS_CONNECTION(origen), resultado, &error);
        if (r) return g_variant_unref(r);
        bool cancelada = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        anotarFallo(error, "La bandeja no aceptó el icono");
        if (!cancelada) static_cast<BandejaSni*>(yo)->reintentar();
      },
      this);
}

void BandejaSni::reintentar() {
  // A watcher that has just started may not be ready for items yet: try again soon, then
  // less and less often, and give up until another watcher appears.
  if (fallos_ >= kMaxReintentos) return;
  guint espera = 500u << fallos_++;
  reintento_ = g_timeout_add(
      espera,
      [](gpointer yo) {
        auto* b = static_cast<BandejaSni*>(yo);
        b->reintento_ = 0;
        b->registrar();
        return G_SOURCE_REMOVE;
      },
      this);
}

GVariant* BandejaSni::alLeer(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                             const gchar* p, GError**, gpointer yo) {
  auto* b = static_cast<BandejaSni*>(yo);
  std::string_view propiedad = p;
  if (propiedad == "Category") return g_variant_new_string("ApplicationStatus");
  if (propiedad == "Id") return g_variant_new_string("orvo-suite");
  if (propiedad == "Title") return g_variant_new_string("Orvo Suite");
  if (propiedad == "Status") return g_variant_new_string("Active");
  if (propiedad == "WindowId") return g_variant_new_int32(0);
  if (propiedad == "IconPixmap") {
    if (!b->icono_) b->icono_ = g_variant_ref_sink(b->pixmaps());
    return g_variant_ref(b->icono_);
  }
  if (propiedad.ends_with("Pixmap")) return sinPixmaps();
  if (propiedad == "ToolTip")
    return g_variant_new("(s@a(iiay)ss)", "", sinPixmaps(), b->ayuda_.c_str(), "");
  if (propiedad == "ItemIsMenu") return g_variant_new_boolean(FALSE);
  if (propiedad == "Menu") return g_variant_new_object_path(kRutaMenu);
  return g_variant_new_string("");  // the icon names: the item has pixmaps only
}

void BandejaSni::alLlamar(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                          const gchar* metodo, GVariant*, GDBusMethodInvocation* llamada,
                          gpointer yo) {
  g_dbus_method_invocation_return_value(llamada, nullptr);
  // The host shows the exported menu itself on a right click; only the left click acts.
  auto* b = static_cast<BandejaSni*>(yo);
  if (std::string_view(metodo) == "Activate" && b->acciones_.clic) b->acciones_.clic();
}

}  // namespace orvo
