#!/usr/bin/python3
"""NetworkManager and the power profiles daemon as far as GIO's monitors look at them, on
the bus that DBUS_SYSTEM_BUS_ADDRESS names. Arguments: the first Metered value and the
first ActiveProfile. Prints "listo" once both names are owned; each line "Propiedad valor"
on stdin then changes that property and announces it, as the real daemons do."""

import os
import sys

from gi.repository import Gio, GLib

NM = "org.freedesktop.NetworkManager"
PERFILES = "net.hadess.PowerProfiles"
# name: (path, properties with their first values)
SERVICIOS = {
    NM: ("/org/freedesktop/NetworkManager",
         {"State": GLib.Variant("u", 70), "Connectivity": GLib.Variant("u", 4),
          "Metered": GLib.Variant("u", int(sys.argv[1]))}),
    PERFILES: ("/net/hadess/PowerProfiles", {"ActiveProfile": GLib.Variant("s", sys.argv[2])}),
}

bus = Gio.DBusConnection.new_for_address_sync(
    os.environ["DBUS_SYSTEM_BUS_ADDRESS"],
    Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
    None, None)
bucle = GLib.MainLoop()
poseidos = set()


def interfaz(nombre, propiedades):
    props = "".join(f'<property name="{p}" type="{v.get_type_string()}" access="read"/>'
                    for p, v in propiedades.items())
    return Gio.DBusNodeInfo.new_for_xml(f'<node><interface name="{nombre}">{props}</interface></node>').interfaces[0]


def leer(_bus, _emisor, _ruta, nombre, propiedad):
    return SERVICIOS[nombre][1][propiedad]


def poseido(_bus, nombre):
    poseidos.add(nombre)
    if len(poseidos) == len(SERVICIOS):
        print("listo", flush=True)


for nombre, (ruta, propiedades) in SERVICIOS.items():
    bus.register_object(ruta, interfaz(nombre, propiedades), None, leer, None)
    Gio.bus_own_name_on_connection(bus, nombre, Gio.BusNameOwnerFlags.NONE, poseido, None)


def orden(canal, condicion):
    linea = sys.stdin.readline()
    if not linea:
        bucle.quit()
        return False
    propiedad, valor = linea.split()
    for nombre, (ruta, propiedades) in SERVICIOS.items():
        if propiedad in propiedades:
            tipo = propiedades[propiedad].get_type_string()
            propiedades[propiedad] = GLib.Variant(tipo, int(valor) if tipo == "u" else valor)
            bus.emit_signal(None, ruta, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                            GLib.Variant("(sa{sv}as)", (nombre, {propiedad: propiedades[propiedad]}, [])))
    return True


GLib.io_add_watch(GLib.IOChannel.unix_new(0), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP, orden)
bucle.run()
