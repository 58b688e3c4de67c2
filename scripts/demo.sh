#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program on the bundled demo catalogue.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/dependencias.sh
cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVO_TESTS=OFF >/dev/null
cmake --build build/demo
datos=build/demo/datos
mkdir -p "$datos"
OV_DATOS="$datos" ./build/demo/orvo-suite --demo "$PWD/build/demo/catalogo-demo"
