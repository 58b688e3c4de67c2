#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program on the bundled demo catalogue in
# a sandbox (data, settings and applications folders under build/demo). With a display:
# the windowed program, main window shown. Without one: the apps' status, then two
# installations through the test-install mode (a new app and the update of an older one),
# then the status again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/dependencias.sh
cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVO_TESTS=OFF >/dev/null
cmake --build build/demo
datos=$PWD/build/demo/datos
aplicaciones=$PWD/build/demo/Aplicaciones
catalogo=$PWD/build/demo/catalogo-demo
mkdir -p "$datos" "$aplicaciones"
# An older Orvo Video already installed, so the catalogue has an update to offer.
[ -e "$aplicaciones/Orvo Video.app" ] || cp -a "$catalogo/anteriores/Orvo Video.app" "$aplicaciones/"
export OV_DATOS="$datos" OV_DESTINO="$aplicaciones" XDG_DATA_HOME="$datos/xdg"
# The autostart entry and the window positions stay in the sandbox too.
export XDG_CONFIG_HOME="$datos/config"
programa=./build/demo/orvo-suite
# Lists the apps and makes the demo catalogue the program's source.
"$programa" --demo "$catalogo"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo
  echo "Orvo Suite con ventanas (Ctrl+Q para salir; registro: $datos/suite.log)"
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
echo "Registro: $datos/suite.log · apps abiertas: pkill -f '$aplicaciones/'"
