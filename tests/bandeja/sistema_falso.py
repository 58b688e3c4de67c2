#!/usr/bin/python3
"""NetworkManager and the power profiles daemon as GIO's monitors see them, on the bus that
DBUS_SYSTEM_BUS_ADDRESS names, with the first Metered and ActiveProfile as arguments. Says
"listo" once both names are owned; each line "Propiedad valor" on stdin then changes one."""

import os
import sys

from gi.repository import Gio, GLib

SERVICIOS = {  # name: path, properties
    "org.freedesktop.NetworkManager": ("/org/freedesktop/NetworkManager", {
        "State": GLib.Variant("u", 70), "Connectivity": GLib.Variant("u", 4),
        "Metered": GLib.Variant("u", int(sys.argv[1]))}),
    "net.hadess.PowerProfiles": ("/net/hadess/PowerProfiles", {"ActiveProfile": GLib.Variant("s", sys.argv[2])}),
}
bus = Gio.DBusConnection.new_for_address_sync(
    os.environ["DBUS_SYSTEM_BUS_ADDRESS"],
    Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
poseidos = set()


def poseido(_bus, nombre):
    poseidos.add(nombre)
    if len(poseidos) == len(SERVICIOS):
        print("listo", flush=True)


for nombre, (ruta, props) in SERVICIOS.items():
    xml = "".join(f'<property name="{p}" type="{v.get_type_string()}" access="read"/>' for p, v in props.items())
    info = Gio.DBusNodeInfo.new_for_xml(f'<node><interface name="{nombre}">{xml}</interface></node>')
    bus.register_object(ruta, info.interfaces[0], None, lambda *a: SERVICIOS[a[3]][1][a[4]], None)
    Gio.bus_own_name_on_connection(bus, nombre, Gio.BusNameOwnerFlags.NONE, poseido, None)


def orden(*_):
    linea = sys.stdin.readline()
    if not linea:
        return bucle.quit()
    propiedad, valor = linea.split()
    for nombre, (ruta, props) in SERVICIOS.items():
        if propiedad in props:
            tipo = props[propiedad].get_type_string()
            props[propiedad] = GLib.Variant(tipo, int(valor) if tipo == "u" else valor)
            bus.emit_signal(None, ruta, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                            GLib.Variant("(sa{sv}as)", (nombre, {propiedad: props[propiedad]}, [])))
    return True


bucle = GLib.MainLoop()
GLib.io_add_watch(GLib.IOChannel.unix_new(0), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP, orden)
bucle.run()
