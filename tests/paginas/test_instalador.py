"""The installer window in WebKitGTK: steps, progress and each phase's actions."""

import unittest

from selenium.webdriver.common.keys import Keys

import arnes
import datos

HOSTIL = '<img src=x onerror="window.__atacado=1">'


class Instalador(arnes.CasoPagina):
    pagina = "instalador.html"

    def pasos(self):
        return [(li.get_attribute("class"), li.get_attribute("aria-current"), li.text)
                for li in self.todos("#pasos li")]

    def barra(self):
        return float(self.css("#barra").get_attribute("value"))

    def test_el_progreso_avanza_con_cada_evento(self):
        self.evento(datos.evento(datos.descargando(0.23)))
        self.assertEqual(self.css("#subtitulo").text, "Actualizar a la versión 2.1 · 40")
        pasos = self.pasos()
        self.assertEqual(pasos[0], ("actual", "step", "Descargar la versión nueva"))
        self.assertEqual({p[0] for p in pasos[1:]}, {"pendiente"})
        self.assertAlmostEqual(self.barra(), 0.23)
        self.assertEqual(self.css("#detalle").text, "352 MB de 1,5 GB · 12 MB/s · quedan 2 min")
        self.assertEqual(self.css("#fase").text, "Descargar la versión nueva…")
        self.assertEqual([b.text for b in self.todos("#acciones button")], ["Cancelar", "Ocultar"])
        # The title and the notes: test_lista_de_instalaciones_y_texto_hostil.

        # The progress events keep the buttons themselves: a click that starts during
        # one still lands.
        cancelar = self.boton("Cancelar")
        for pct in (0.5, 0.75, 0.95):
            self.evento(datos.evento(datos.descargando(pct)))
        self.assertAlmostEqual(self.barra(), 0.95)
        self.assertEqual(self.css("#detalle").text, "1,5 GB de 1,5 GB · 12 MB/s · queda menos de 1 min")
        self.assertEqual(self.pulsar(cancelar), [{"accion": "cancelar", "id": "video"}])

        # A download that starts again from its first byte keeps its bar; the next step starts
        # a bar of its own, which shows activity until that step measures something.
        self.evento(datos.evento(datos.descargando(0.1)))
        self.assertAlmostEqual(self.barra(), 0.95)
        self.evento(datos.evento(datos.instalacion(paso=1, pct=0, bytes=10, total=10)))
        self.assertEqual(self.d.execute_script("return document.getElementById('barra').position"), -1)
        self.assertEqual(self.css("#detalle").text, "")
        self.evento(datos.evento(datos.instalacion(paso=1, pct=0.5, bytes=10, total=10)))
        self.assertEqual([p[0] for p in self.pasos()][:3], ["hecho", "actual", "pendiente"])
        self.assertEqual(self.css("#detalle").text, "50 %")
        self.assertAlmostEqual(self.barra(), 0.5)

        self.evento(datos.evento(datos.instalacion(paso=6, pct=0, fase="lista")))
        self.assertEqual({p[0] for p in self.pasos()}, {"hecho"})
        self.assertEqual(self.barra(), 1.0)
        self.assertEqual(self.css("#fase").text, "Orvo Video 2.1 · 40 está actualizada.")
        self.assertEqual(self.pulsar(self.boton("Cerrar")), [{"accion": "ocultarInstalador"}])

        # A download of unknown size says what arrived so far.
        self.evento(datos.evento(datos.instalacion(modo="instalar", bytes=5_200_000, velocidad=900_000)))
        self.assertEqual(self.css("#detalle").text, "5,2 MB descargados")
        self.assertEqual(self.css("#subtitulo").text, "Instalar la versión 2.1 · 40")

    def test_acciones_de_cada_fase(self):
        espera = datos.instalacion(paso=2, fase="esperaCierre")
        self.evento(datos.evento(espera))
        self.assertEqual(self.css("#fase").text,
                         "La versión nueva está lista. Cierra Orvo Video para terminar de instalarla.")
        self.assertFalse(self.css("#pista").is_displayed())
        self.assertEqual(self.pulsar(self.boton("Cerrar Orvo Video ahora")), [{"accion": "cerrarApp", "id": "video"}])
        self.assertEqual(self.pulsar(self.boton("Ocultar")), [{"accion": "ocultarInstalador"}])
        espera["noCerro"] = True
        self.evento(datos.evento(espera))
        self.assertIn("Orvo Video no se cerró.", self.css("#pista").text)

        self.evento(datos.evento(datos.instalacion(paso=5, fase="autorizar")))
        self.assertEqual(self.pulsar(self.boton("Abrir los ajustes de seguridad")), [{"accion": "ajustesSeguridad"}])
        self.assertEqual(self.pulsar(self.boton("Ya lo autoricé")), [{"accion": "autorizada"}])
        self.assertEqual(self.pulsar(self.boton("Cancelar")), [{"accion": "cancelar", "id": "video"}])

        self.evento(datos.evento(datos.instalacion(paso=1, fase="error", error="La descarga no coincide con la publicada")))
        self.assertEqual(self.css("#error").text, "La descarga no coincide con la publicada")
        self.assertEqual(self.pasos()[1][0], "fallido")
        self.assertEqual(self.pulsar(self.boton("Reintentar")), [{"accion": "instalar", "id": "video"}])

        # Three openings that did not last: the version kept is offered back, if there is one.
        fallida = datos.instalacion(paso=6, fase="lista", noQuedoAbierta=True)
        self.evento(datos.estado([datos.app("video", "Orvo Video", "2.1", anterior="2.0 · 38")], instalacion=fallida))
        self.assertIn("Orvo Video 2.1 · 40 está instalada, pero no quedó abierta", self.css("#fase").text)
        self.assertEqual(self.pulsar(self.boton("Volver a la versión anterior")), [{"accion": "volver", "id": "video"}])
        self.evento(datos.estado([], instalacion=fallida))
        self.assertEqual([b.text for b in self.todos("#acciones button")], ["Cerrar"])
        vuelta = datos.instalacion(modo="volver", fase="error", version="2.0 · 38", pasos=["Volver a la versión anterior"])
        self.evento(datos.evento(vuelta))
        self.assertEqual(self.css("#subtitulo").text, "Volver a la versión 2.0 · 38")
        self.assertEqual(self.pulsar(self.boton("Reintentar")), [{"accion": "volver", "id": "video"}])

        # Escape hides the window from wherever the focus is.
        self.tabular_hasta(self.boton("Cerrar"))
        self.assertTrue(self.foco_visible())
        self.teclas(Keys.ESCAPE)
        self.assertEqual(self.mensajes(), [{"accion": "ocultarInstalador"}])

    def test_lista_de_instalaciones_y_texto_hostil(self):
        actual = datos.descargando(0.4)
        otra = datos.instalacion("slides", "Orvo Slides", paso=2, fase="esperaCierre", version="3.4")
        hecha = datos.instalacion("notas", "Orvo Notas", modo="instalar", paso=5, fase="lista", version="1.2 · 7")
        fallida = datos.instalacion("audio", "Orvo Audio", fase="error", error="No pude conectarme al servidor")
        self.evento(datos.evento(actual, [actual, otra, hecha, fallida]))
        filas = self.todos("#lista li")
        self.assertEqual([f.find_element("css selector", "p").text for f in filas],
                         ["Descargar la versión nueva · 40 %", "Espera que la cierres", "Instalada",
                          "Falló: No pude conectarme al servidor"])
        self.assertEqual([f.get_attribute("aria-current") for f in filas], ["true", None, None, None])
        self.assertEqual([len(f.find_elements("css selector", "button")) for f in filas], [0, 1, 0, 0])
        self.assertEqual(self.pulsar(self.boton("Cancelar", '[data-clave="inst:slides"]')),
                         [{"accion": "cancelar", "id": "slides"}])

        inst = datos.instalacion(nombre=HOSTIL, fase="error", error=HOSTIL, novedades=[HOSTIL], paso=1,
                                 pasos=[HOSTIL, "Verificar la descarga"], version=HOSTIL)
        self.evento(datos.evento(inst, [inst, datos.instalacion("slides", HOSTIL)]))
        self.assertEqual(self.css("#titulo").text, HOSTIL)
        self.assertEqual(self.css("#error").text, HOSTIL)
        self.assertEqual(self.css("#notas li").text, HOSTIL)
        self.assertEqual(self.pasos()[0][2], HOSTIL)
        self.assertEqual(len(self.todos("img")), 1, "solo el logotipo")
        self.assertIsNone(self.d.execute_script("return window.__atacado"))

        # The snapshot that ends them all leaves the empty state and no list.
        self.evento(datos.estado())
        self.assertEqual(self.css("#vacio p").text, "No hay ninguna instalación en curso.")
        self.assertFalse(self.css("#actual").is_displayed())
        self.assertFalse(self.css("#todas").is_displayed())
        self.assertEqual(self.pulsar(self.boton("Cerrar")), [{"accion": "ocultarInstalador"}])

    def test_formatos_en_espanol(self):
        # The edges that would say something false: a carry into the next unit, 100 % before
        # the end, a date that is not one, a clock a little ahead, another day or year.
        casos = {"Orvo.tamano(999600000)": "1 GB", "Orvo.porcentaje(0.999)": "99 %", "Orvo.hace('ayer')": "",
                 "Orvo.quedan(5000)": "quedan 1 h 24 min"}
        ahora = "new Date(2026, 2, 10, 15, 0, 0)"
        for fecha, esperado in {
            "2026, 2, 10, 15, 5, 0": "hace un momento", "2026, 2, 10, 1, 5, 0": "hoy a las 01:05",
            "2026, 2, 9, 18, 5, 0": "ayer a las 18:05", "2025, 11, 24, 20, 0, 0": "el 24 de diciembre de 2025 a las 20:00",
        }.items():
            casos[f"Orvo.hace(new Date({fecha}).toISOString(), {ahora})"] = esperado
        # A notice's date: relative while recent, then a short date (text that is no date: Principal).
        ahora = "new Date(2026, 11, 9, 12, 0, 0)"
        for fecha, esperado in {
            "2026, 11, 9, 11, 55, 0": "hace 5 minutos", "2026, 11, 8, 9, 0, 0": "ayer",
            "2026, 11, 7, 9, 0, 0": "hace 2 días", "2026, 11, 2, 9, 0, 0": "2 dic 2026",
            "2025, 8, 30, 9, 0, 0": "30 sept 2025",
        }.items():
            casos[f"Orvo.fecha(new Date({fecha}).toISOString(), {ahora})"] = esperado
        casos[f"Orvo.fecha('2026-12-07', {ahora})"] = "hace 2 días"
        for expr, esperado in casos.items():
            with self.subTest(expr=expr):
                self.assertEqual(self.d.execute_script(f"return {expr}"), esperado)

    def test_tamanos_y_capturas(self):
        self.tamanos_y_capturas("instalador")


if __name__ == "__main__":
    unittest.main()
