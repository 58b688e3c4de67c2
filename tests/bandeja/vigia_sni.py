#!/usr/bin/python3
"""A StatusNotifierWatcher and host in one: takes the item's registration, then reads
what a tray would read (tool tip, icon, menu), clicks it and prints one JSON line per
look. It looks again whenever the item announces a new icon or tool tip.

Arguments: the labels of the menu entries to click after the first look."""
import json
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

XML = """<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
</interface></node>"""

bus = Gio.bus_get_sync(Gio.BusType.SESSION)
items = []
pendiente = [False]
clics = sys.argv[1:]


def llamar(nombre, ruta, interfaz, metodo, args, tipo=None):
    return bus.call_sync(nombre, ruta, interfaz, metodo, args,
                         GLib.VariantType(tipo) if tipo else None,
                         Gio.DBusCallFlags.NONE, 5000, None)


def propiedad(nombre, ruta, prop):
    return llamar(nombre, ruta, "org.freedesktop.DBus.Properties", "Get",
                  GLib.Variant("(ss)", ("org.kde.StatusNotifierItem", prop)),
                  "(v)").unpack()[0]


def menu(nombre, ruta):
    interfaz = "com.canonical.dbusmenu"
    llamar(nombre, ruta, interfaz, "AboutToShow", GLib.Variant("(i)", (0,)))
    _, (_, _, hijos) = llamar(nombre, ruta, interfaz, "GetLayout",
                              GLib.Variant("(iias)", (0, -1, [])), "(u(ia{sv}av))").unpack()
    entradas = []
    for (ident, props, _) in hijos:
        if not props.get("visible", True):
            continue
        entradas.append((ident, props.get("label", "-" if props.get("type") == "separator" else "")))
    return entradas


def mirar(nombre, primera):
    ruta = "/StatusNotifierItem"
    ayuda = propiedad(nombre, ruta, "ToolTip")
    iconos = propiedad(nombre, ruta, "IconPixmap")
    ruta_menu = propiedad(nombre, ruta, "Menu")
    entradas = menu(nombre, ruta_menu)
    informe = {
        "nombre": nombre,
        "ayuda": ayuda[2],
        "iconos": [[w, h] for (w, h, _) in iconos],
        # The bytes of a pixel of the background, left edge, middle row, smallest pixmap.
        "fondo": list(iconos[0][2][(10 * iconos[0][0] + 2) * 4:(10 * iconos[0][0] + 2) * 4 + 4]),
        "menu": [texto for (_, texto) in entradas],
        "titulo": propiedad(nombre, ruta, "Title"),
    }
    if primera:
        llamar(nombre, ruta, "org.kde.StatusNotifierItem", "Activate",
               GLib.Variant("(ii)", (0, 0)))
        for texto in clics:
            ident = next(i for (i, t) in entradas if t == texto)
            llamar(nombre, ruta_menu, "com.canonical.dbusmenu", "Event",
                   GLib.Variant("(isvu)", (ident, "clicked", GLib.Variant("i", 0), 0)))
    print(json.dumps(informe, ensure_ascii=False), flush=True)
    pendiente[0] = False
    return False


def al_cambiar(_bus, emisor, _ruta, _interfaz, _senal, _args):
    # A new icon and a new tool tip come together: one look for both.
    if not pendiente[0]:
        pendiente[0] = True
        GLib.timeout_add(50, mirar, emisor, False)


def al_llamar(_bus, emisor, _ruta, _interfaz, metodo, args, llamada):
    if metodo == "RegisterStatusNotifierItem":
        nombre = args.unpack()[0]
        if nombre.startswith("/"):
            nombre = emisor
        items.append(nombre)
        llamada.return_value(None)
        bus.signal_subscribe(nombre, "org.kde.StatusNotifierItem", None, None, None,
                             Gio.DBusSignalFlags.NONE, al_cambiar)
        GLib.idle_add(mirar, nombre, True)
    else:
        llamada.return_value(None)


def al_leer(_bus, _emisor, _ruta, _interfaz, prop):
    return {"RegisteredStatusNotifierItems": GLib.Variant("as", items),
            "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
            "ProtocolVersion": GLib.Variant("i", 0)}[prop]


info = Gio.DBusNodeInfo.new_for_xml(XML)
bus.register_object("/StatusNotifierWatcher", info.interfaces[0], al_llamar, al_leer, None)
Gio.bus_own_name_on_connection(bus, "org.kde.StatusNotifierWatcher",
                               Gio.BusNameOwnerFlags.NONE, None, None)
GLib.MainLoop().run()
