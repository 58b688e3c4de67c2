"""Snapshots and installation events as the program sends them."""

import datetime

SERVIDOR = "https://orvo.example/"


def hace_minutos(minutos):
    t = datetime.datetime.now(datetime.timezone.utc) - datetime.timedelta(minutes=minutos)
    return t.strftime("%Y-%m-%dT%H:%M:%SZ")


def app(id, nombre, version, **extra):
    a = {"id": id, "nombre": nombre, "version": version, "build": "", "instalada": False, "abierta": False,
         "nueva": False, "tam": 0, "novedades": [], "firmada": True, "canal": "", "omitida": False}
    return a | extra


def comp(id, nombre, app, version="1.0", **extra):
    c = {"id": id, "nombre": nombre, "descripcion": "", "app": app, "version": version, "canal": "",
         "novedades": [], "tam": 0, "instalado": False, "activado": False, "enUso": False,
         "descargando": False, "nueva": False, "pendiente": "", "error": ""}
    return c | extra


def instalacion(id="video", nombre="Orvo Video", **extra):
    pasos = ["Descargar la versión nueva", "Verificar la descarga", f"Esperar que cierres {nombre}",
             "Guardar la versión anterior", f"Reemplazar {nombre}", "Abrir la versión nueva"]
    i = {"id": id, "nombre": nombre, "modo": "actualizar", "pasos": pasos, "paso": 0, "pct": 0.0, "bytes": 0,
         "total": 0, "velocidad": 0, "fase": "corriendo", "error": "", "noCerro": False,
         "noQuedoAbierta": False, "novedades": [], "version": "2.1 · 40"}
    return i | extra


def estado(apps=(), comps=(), **resto):
    e = {"tipo": "estado", "listas": [], "apps": list(apps), "fuente": SERVIDOR, "instalarAlCerrar": True,
         "componentes": {}, "avisar": {}, "errorFuente": "", "comps": list(comps), "version": "1.4.0",
         "sesion": con_sesion(), "instalaciones": []}
    return e | resto


def con_sesion(avisos=(), **extra):
    s = {"avisos": list(avisos), "usuario": {"nombre": "Lucía Ferrer", "email": "lucia@orvo.example",
                                              "rol": "editora", "canal": "beta"},
         "necesita": False, "conServidor": True, "servidor": SERVIDOR}
    return s | extra


def sin_sesion(error=None):
    s = {"avisos": [], "necesita": True, "conServidor": True, "servidor": SERVIDOR}
    return s | ({"errorLogin": error} if error else {})


def evento(actual, todas=None):
    return {"tipo": "instalacion", "instalacion": actual, "instalaciones": todas if todas is not None else [actual]}


# The states the screenshots show (CAPTURAS, at the end).

def primer_arranque():
    return estado(sesion=sin_sesion())


def catalogo():
    avisos = [
        {"id": 7, "titulo": "Orvo Video 2.1 ya está aquí", "texto": "Exporta en 4K y mira las notas en https://orvo.example/notas",
         "app": "video", "nombre_app": "Orvo Video", "creado": hace_minutos(2 * 24 * 60)},
        {"id": 9, "titulo": "Mantenimiento el sábado", "texto": "El servidor no estará disponible de 2:00 a 3:00.",
         "app": "", "nombre_app": "", "creado": "5 dic"},
    ]
    apps = [
        app("video", "Orvo Video", "2.1", build="40", tam=1_530_000_000, instalada=True, nueva=True, abierta=True,
            novedades=["Exportación en 4K", "Arreglos en la línea de tiempo"], verInstalada="2.0 · 38"),
        app("slides", "Orvo Slides", "3.4", tam=412_000_000, instalada=True, nueva=True,
            novedades=["Temas nuevos"], verInstalada="3.3", canal="beta"),
        app("notas", "Orvo Notas", "1.2", build="7", tam=86_500_000, instalada=True, verInstalada="1.2 · 7",
            anterior="1.1 · 6"),
        app("audio", "Orvo Audio", "0.9", tam=230_000_000, firmada=False, canal="beta"),
        app("suite", "Orvo Suite", "1.4.0", tam=48_000_000, instalada=True, verInstalada="1.4.0"),
    ]
    comps = [
        comp("subtitulos", "Subtítulos automáticos", "Orvo Video", "1.3", instalado=True, activado=True,
             descripcion="Genera subtítulos al importar un clip.", verInstalada="1.2",
             enUso=True, pendiente="1.3·8", tam=12_400_000),
        comp("lut", "Paquete de LUT", "Orvo Video", "2.0", tam=64_000_000, descripcion="Treinta looks de color."),
        comp("pizarra", "Pizarra", "Orvo Slides", "0.5", instalado=True, activado=False, verInstalada="0.4", nueva=True,
             error="No pude descargar la pizarra: el servidor no responde"),
    ]
    espera = instalacion(paso=2, fase="esperaCierre", novedades=apps[0]["novedades"])
    return estado(apps, comps, sesion=con_sesion(avisos), revisado=hace_minutos(2), instalacion=espera,
                  instalaciones=[espera], listas=[{"id": "video", "nombre": "Orvo Video", "version": "2.1 · 40"}])


def descargando(pct=0.23):
    total = 1_530_000_000
    bytes = int(total * pct)
    return instalacion(paso=0, pct=pct, bytes=bytes, total=total, velocidad=12_000_000,
                       novedades=["Exportación en 4K", "Arreglos en la línea de tiempo"])


def instalando():
    actual = descargando()
    otra = instalacion("slides", "Orvo Slides", paso=2, fase="esperaCierre", version="3.4")
    e = catalogo()
    e.update(instalacion=actual, instalaciones=[actual, otra],
             listas=[{"id": "slides", "nombre": "Orvo Slides", "version": "3.4"}])
    return e


def no_quedo_abierta():
    """Video 2.1 closed by itself after every opening; 2.0 is kept to go back to."""
    e = catalogo()
    fallida = instalacion(paso=6, fase="lista", noQuedoAbierta=True, novedades=e["apps"][0]["novedades"])
    e["apps"][0].update(nueva=False, abierta=False, verInstalada="2.1 · 40", anterior="2.0 · 38")
    e.update(instalacion=fallida, instalaciones=[fallida], listas=[])
    return e


# The catalogue last: the main page's tests take two more screenshots from it.
CAPTURAS = {"primer-arranque": primer_arranque, "instalando": instalando, "no-quedo-abierta": no_quedo_abierta,
            "catalogo": catalogo}
