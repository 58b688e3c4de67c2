"""Screenshots of both pages in four states, at the two window sizes, into a folder
(docs/capturas by default). Run under xvfb-run: scripts/capturas.sh."""

import pathlib
import sys

import arnes
import datos

ESTADOS = {
    "primer-arranque": datos.primer_arranque,
    "catalogo": datos.catalogo,
    "instalando": datos.instalando,
    "no-quedo-abierta": datos.no_quedo_abierta,
}
TAMANOS = [(1180, 760), (820, 560)]


def main():
    carpeta = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else arnes.RAIZ / "docs" / "capturas")
    nav = arnes.Navegador()
    try:
        for pagina, nombre in (("index.html", "principal"), ("instalador.html", "instalador")):
            for ancho, alto in TAMANOS:
                for estado, hacer in ESTADOS.items():
                    nav.abrir(pagina, ancho, alto)
                    nav.evento(hacer())
                    nav.captura(carpeta / f"{nombre}-{estado}-{ancho}x{alto}.png")
                    if pagina == "index.html" and estado == "catalogo" and ancho == 1180:
                        # The lower half: components and settings.
                        nav.d.execute_script("document.getElementById('seccion-comps').scrollIntoView()")
                        nav.captura(carpeta / f"{nombre}-componentes-{ancho}x{alto}.png")
                        # Going back asks first, inside the app's details.
                        nav.css('[data-clave="app:notas"] summary').click()
                        nav.css('[data-clave="app:notas"] button[data-confirmar]').click()
                        nav.d.execute_script("document.querySelector('[data-clave=\"app:notas\"]').scrollIntoView()")
                        nav.captura(carpeta / f"{nombre}-volver-{ancho}x{alto}.png")
                    errores = nav.errores()
                    if errores:
                        raise SystemExit(f"{pagina} ({estado}): {errores}")
    finally:
        nav.cerrar()


if __name__ == "__main__":
    main()
