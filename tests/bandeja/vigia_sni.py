#!/usr/bin/python3
"""A StatusNotifierWatcher and host in one: takes the item's registration, then reads
what a tray would read (tool tip, icon, menu), clicks it and prints one JSON line per
look. It looks again whenever the item announces a new icon or tool tip.

Arguments: the labels of the menu entries to click after the first look; "--rechazar"
first refuses the first registration, as a watcher that is not ready yet."""
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
ITEM = "/StatusNotifierItem"
MENU = "com.canonical.dbusmenu"

bus = Gio.bus_get_sync(Gio.BusType.SESSION)
items = []
pendiente = [False]
rechazar = ["--rechazar" in sys.argv]
clics = [a for a in sys.argv[1:] if a != "--rechazar"]


# Generous: under a sanitizer on a loaded machine the program's main thread may be busy
# for seconds (loading WebKit when its first window shows), as no real tray would mind.
def llamar(nombre, ruta, interfaz, metodo, args, tipo=None):
    return bus.call_sync(nombre, ruta, interfaz, metodo, args, GLib.VariantType(tipo) if tipo else None,
                         Gio.DBusCallFlags.NONE, 30000, None)


def propiedad(nombre, prop):
    return llamar(nombre, ITEM, "org.freedesktop.DBus.Properties", "Get",
                  GLib.Variant("(ss)", ("org.kde.StatusNotifierItem", prop)), "(v)").unpack()[0]


def mirar(nombre, primera):
    iconos = propiedad(nombre, "IconPixmap")
    ruta_menu = propiedad(nombre, "Menu")
    llamar(nombre, ruta_menu, MENU, "AboutToShow", GLib.Variant("(i)", (0,)))
    _, (_, _, hijos) = llamar(nombre, ruta_menu, MENU, "GetLayout",
                              GLib.Variant("(iias)", (0, -1, [])), "(u(ia{sv}av))").unpack()
    entradas = [(i, p.get("label", "-" if p.get("type") == "separator" else ""))
                for (i, p, _) in hijos if p.get("visible", True)]
    informe = {"nombre": nombre, "ayuda": propiedad(nombre, "ToolTip")[2],
               "iconos": [[w, h] for (w, h, _) in iconos], "primero": list(iconos[0][2]),
               "menu": [texto for (_, texto) in entradas], "titulo": propiedad(nombre, "Title")}
    if primera:
        llamar(nombre, ITEM, "org.kde.StatusNotifierItem", "Activate", GLib.Variant("(ii)", (0, 0)))
        for texto in clics:
            ident = next(i for (i, t) in entradas if t == texto)
            llamar(nombre, ruta_menu, MENU, "Event", GLib.Variant("(isvu)", (ident, "clicked", GLib.Variant("i", 0), 0)))
    print(json.dumps(informe, ensure_ascii=False), flush=True)
    pendiente[0] = False
    return False


def al_cambiar(_bus, emisor, _ruta, _interfaz, _senal, _args):
    # A new icon and a new tool tip come together: one look for both.
    if not pendiente[0]:
        pendiente[0] = True
        GLib.timeout_add(50, mirar, emisor, False)


def al_llamar(_bus, emisor, _ruta, _interfaz, metodo, args, llamada):
    if metodo == "RegisterStatusNotifierItem" and rechazar[0]:
        rechazar[0] = False
        print(json.dumps({"rechazado": args.unpack()[0]}), flush=True)
        return llamada.return_dbus_error("org.kde.StatusNotifierWatcher.Error.NotReady", "no listo")
    llamada.return_value(None)
    if metodo == "RegisterStatusNotifierItem":
        nombre = args.unpack()[0]
        nombre = emisor if nombre.startswith("/") else nombre
        items.append(nombre)
        bus.signal_subscribe(nombre, "org.kde.StatusNotifierItem", None, None, None,
                             Gio.DBusSignalFlags.NONE, al_cambiar)
        GLib.idle_add(mirar, nombre, True)


def al_leer(_bus, _emisor, _ruta, _interfaz, prop):
    return {"RegisteredStatusNotifierItems": GLib.Variant("as", items),
            "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
            "ProtocolVersion": GLib.Variant("i", 0)}[prop]


bus.register_object("/StatusNotifierWatcher", Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0],
                    al_llamar, al_leer, None)
Gio.bus_own_name_on_connection(bus, "org.kde.StatusNotifierWatcher", Gio.BusNameOwnerFlags.NONE, None, None)
GLib.MainLoop().run()
