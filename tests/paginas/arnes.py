"""Drives the pages in WebKitGTK through WebDriver: one browser per test file, a copy of
web/ with the recording stand-in bridge loaded ahead of the page's own scripts."""

import json
import os
import pathlib
import shutil
import tempfile
import time
import unittest
import warnings

from selenium import webdriver
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

import datos

# Selenium 4.8 warns about its own WebKitGTK wrapper.
warnings.filterwarnings("ignore", category=DeprecationWarning)

WEB = pathlib.Path(__file__).resolve().parents[2] / "web"
CSP = "<meta http-equiv=\"Content-Security-Policy\""


class CasoPagina(unittest.TestCase):
    """One browser for the whole file, on a copy of web/ whose page loads the stand-in bridge
    before its own scripts; every test starts on a fresh page and ends with no error in it."""

    pagina = None

    @classmethod
    def setUpClass(cls):
        cls.copia = pathlib.Path(tempfile.mkdtemp(prefix="orvo-paginas-"))
        shutil.copytree(WEB, cls.copia / "web")
        shutil.copy(pathlib.Path(__file__).with_name("puente_prueba.js"), cls.copia / "web")
        ruta = cls.copia / "web" / cls.pagina
        html = ruta.read_text(encoding="utf-8")
        fin = html.index(">", html.index(CSP)) + 1
        ruta.write_text(html[:fin] + '\n<script src="puente_prueba.js"></script>' + html[fin:], encoding="utf-8")
        o = webdriver.WebKitGTKOptions()
        o.binary_location = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
        o.add_argument("--automation")
        cls.d = webdriver.WebKitGTK(executable_path="/usr/bin/WebKitWebDriver", options=o)

    @classmethod
    def tearDownClass(cls):
        cls.d.quit()
        shutil.rmtree(cls.copia, ignore_errors=True)

    def setUp(self):
        self.tam(1180, 760)
        self.d.get((self.copia / "web" / self.pagina).as_uri())
        limite = time.time() + 10
        while not self.d.execute_script("return window.__mensajes && window.__mensajes.length > 0"):
            if time.time() > limite:
                raise AssertionError("la página no llegó a pedir su instantánea")
            time.sleep(0.05)
        self.assertEqual(self.mensajes(), [{"accion": "estado"}])

    def tearDown(self):
        self.assertEqual(self.d.execute_script("const e = window.__errores; window.__errores = []; return e;"), [])

    def tam(self, ancho, alto):
        """Sizes the page's viewport (not the browser's frame) to ancho x alto."""
        self.d.set_window_size(ancho, alto)
        dentro = self.d.execute_script("return [innerWidth, innerHeight]")
        self.d.set_window_size(2 * ancho - dentro[0], 2 * alto - dentro[1])

    def evento(self, obj):
        self.d.execute_script("window.suite.evento(JSON.parse(arguments[0]))", json.dumps(obj))

    def mensajes(self):
        """The messages posted since the last call."""
        return self.d.execute_script("const m = window.__mensajes; window.__mensajes = []; return m;")

    def css(self, selector):
        return self.d.find_element(By.CSS_SELECTOR, selector)

    def todos(self, selector):
        return self.d.find_elements(By.CSS_SELECTOR, selector)

    def boton(self, texto, dentro=None):
        raiz = self.css(dentro) if dentro else self.d
        for b in raiz.find_elements(By.CSS_SELECTOR, "button"):
            if b.text.strip() == texto and b.is_displayed():
                return b
        raise AssertionError(f"no hay un botón «{texto}»")

    def enfocado(self):
        return self.d.switch_to.active_element

    def teclas(self, *teclas):
        self.enfocado().send_keys(*teclas)

    def tabular_hasta(self, elemento, maximo=80):
        """Presses Tab until `elemento` has the focus; fails if the keyboard never reaches it."""
        for _ in range(maximo):
            if self.enfocado() == elemento:
                return
            self.teclas(Keys.TAB)
        raise AssertionError("el teclado no llega al control")

    def foco_visible(self):
        return self.d.execute_script("return getComputedStyle(document.activeElement).outlineStyle") != "none"

    def pulsar(self, elemento):
        # WebDriver's own scrolling can leave a control under the sticky header.
        self.d.execute_script("arguments[0].scrollIntoView({block: 'center'})", elemento)
        elemento.click()
        return self.mensajes()

    def captura(self, ruta):
        ruta.parent.mkdir(parents=True, exist_ok=True)
        # Two frames, so what was drawn last is on the screen.
        self.d.execute_async_script(
            "const listo = arguments[0]; requestAnimationFrame(() => requestAnimationFrame(() => listo()));")
        self.d.save_screenshot(str(ruta))

    def tamanos_y_capturas(self, prefijo):
        """Each screenshot state at both window sizes: nothing overflows and every visible
        control has a name a screen reader can say."""
        for ancho, alto in ((820, 560), (1180, 760)):
            for nombre, hacer in datos.CAPTURAS.items():
                with self.subTest(tam=(ancho, alto), estado=nombre):
                    self.tam(ancho, alto)
                    self.evento(hacer())
                    self.assertFalse(self.d.execute_script("return document.documentElement.scrollWidth > innerWidth"))
                    self.assertEqual(self.d.execute_script("""
                        return Array.from(document.querySelectorAll('button, input, a, summary'))
                          .filter((e) => e.offsetParent !== null)
                          .filter((e) => !(e.getAttribute('aria-label') || (e.labels && e.labels.length) || e.textContent.trim()))
                          .map((e) => e.outerHTML);"""), [])
                    self.captura(CAPTURAS / f"{prefijo}-{nombre}-{ancho}x{alto}.png")


# Where the screenshots go: ORVO_CAPTURAS (docs/capturas from scripts/capturas.sh) or a temp folder.
CAPTURAS = pathlib.Path(os.environ.get("ORVO_CAPTURAS") or pathlib.Path(tempfile.gettempdir()) / "orvo-paginas")
