#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program on the bundled demo catalogue in
# a sandbox (data, settings and applications folders under build/demo). With a display:
# the windowed program, main window shown. Without one: the apps' status, then two
# installations through the test-install mode (a new app and the update of an older one),
# then the status again.
#
# `bash scripts/demo.sh --terminar` ends what an earlier demo left running: its apps and
# its windowed program.
set -euo pipefail
cd "$(dirname "$0")/.."
aplicaciones=$PWD/build/demo/Aplicaciones
terminar="bash scripts/demo.sh --terminar"
if [ "${1:-}" = "--terminar" ]; then
  # Only processes that run something from the demo's own folders.
  pkill -f "$aplicaciones/" || true
  pkill -f "$PWD/build/demo/orvo-suite" || true
  echo "La demostración ya no deja nada en marcha."
  exit 0
fi
bash scripts/dependencias.sh
cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVO_TESTS=OFF >/dev/null
cmake --build build/demo
datos=$PWD/build/demo/datos
catalogo=$PWD/build/demo/catalogo-demo
mkdir -p "$datos" "$aplicaciones"
# An older Orvo Video already installed, so the catalogue has an update to offer.
[ -e "$aplicaciones/Orvo Video.app" ] || cp -a "$catalogo/anteriores/Orvo Video.app" "$aplicaciones/"
export OV_DATOS="$datos" OV_DESTINO="$aplicaciones" XDG_DATA_HOME="$datos/xdg"
# The autostart entry and the window positions stay in the sandbox too.
export XDG_CONFIG_HOME="$datos/config"
programa=$PWD/build/demo/orvo-suite
# Lists the apps and makes the demo catalogue the program's source.
"$programa" --demo "$catalogo"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo
  echo "Orvo Suite con ventanas (Ctrl+Q para salir; registro: $datos/suite.log)"
  echo "Las apps que abra siguen abiertas diez minutos; para cerrarlas antes: $terminar"
  OV_ABRIR=1 exec "$programa"
fi
echo
echo "No hay pantalla (DISPLAY o WAYLAND_DISPLAY): la demostración sigue sin ventanas."
for app in slides video; do
  echo
  echo "== OV_PRUEBA_INSTALAR=$app"
  # OV_CERRAR: an app that is still open from an earlier run is asked to quit.
  OV_PRUEBA_INSTALAR=$app OV_CERRAR=1 "$programa"
done
echo
"$programa" --demo "$catalogo"
echo
echo "Registro: $datos/suite.log"
echo "Las apps de la demostración siguen abiertas diez minutos; para cerrarlas antes: $terminar"
