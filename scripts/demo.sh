#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program on the bundled demo catalogue.
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
OV_DATOS="$datos" OV_DESTINO="$aplicaciones" XDG_DATA_HOME="$datos/xdg" \
  ./build/demo/orvo-suite --demo "$catalogo"
