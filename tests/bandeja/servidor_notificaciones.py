#!/usr/bin/python3
"""A desktop notification server: prints one JSON line per Notify; a line "ACCION id clave"
on standard input makes it report that the user clicked that action."""
import json
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

XML = """<node><interface name="org.freedesktop.Notifications">
  <method name="Notify">
    <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
    <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
    <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
    <arg type="u" direction="out"/>
  </method>
  <method name="GetCapabilities"><arg type="as" direction="out"/></method>
  <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
</interface></node>"""
RUTA = "/org/freedesktop/Notifications"
INTERFAZ = "org.freedesktop.Notifications"

bus = Gio.bus_get_sync(Gio.BusType.SESSION)
ultimo = [0]


def al_llamar(_bus, _emisor, _ruta, _interfaz, metodo, args, llamada):
    if metodo == "GetCapabilities":
        return llamada.return_value(GLib.Variant("(as)", (["actions", "body"],)))
    app, reemplaza, _icono, titulo, cuerpo, acciones, _pistas, _caduca = args.unpack()
    if not reemplaza:
        ultimo[0] += 1
    ident = reemplaza or ultimo[0]
    print(json.dumps({"id": ident, "app": app, "reemplaza": reemplaza, "titulo": titulo,
                      "cuerpo": cuerpo, "acciones": acciones}, ensure_ascii=False), flush=True)
    llamada.return_value(GLib.Variant("(u)", (ident,)))


def al_leer_linea(fuente, _condicion):
    linea = fuente.readline()
    if not linea:
        return False
    _, ident, clave = linea.split()
    bus.emit_signal(None, RUTA, INTERFAZ, "ActionInvoked", GLib.Variant("(us)", (int(ident), clave)))
    bus.flush_sync(None)
    print(json.dumps({"emitida": clave}), flush=True)
    return True


bus.register_object(RUTA, Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0], al_llamar, None, None)
Gio.bus_own_name_on_connection(bus, INTERFAZ, Gio.BusNameOwnerFlags.NONE,
                               lambda *_: print(json.dumps({"listo": True}), flush=True), None)
GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, al_leer_linea)
GLib.MainLoop().run()
