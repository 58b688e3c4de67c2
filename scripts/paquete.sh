#!/usr/bin/env bash
# Builds the .deb from a Release build of its own (build/paquete/) and prints its path.
# With --probar, also installs it on this machine with apt-get, checks the launcher, the
# version, the orvosuite: link handler and a link opened with gio, then removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/dependencias.sh
cmake -S . -B build/paquete -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVO_TESTS=OFF \
      -DORVO_BENCH=OFF ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER} >/dev/null
cmake --build build/paquete --target package
deb=$(ls -t build/paquete/orvo-suite_*.deb | head -1)
echo "$PWD/$deb"
[ "${1:-}" = "--probar" ] || exit 0

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -q --no-install-recommends "./$deb"
trap 'apt-get purge -y -q orvo-suite >/dev/null' EXIT
dpkg -s orvo-suite | grep -E '^(Version|Depends):'
echo "orvo-suite --version: $(orvo-suite --version 2>&1 || true)"
echo "manejador de orvosuite: $(xdg-mime query default x-scheme-handler/orvosuite)"
[ "$(xdg-mime query default x-scheme-handler/orvosuite)" = com.orvo.suite.desktop ]
gio mime x-scheme-handler/orvosuite
# gio starts the entry's Exec line with the link, which runs the program from its bundle.
gio open 'orvosuite://skill/instalar?id=prueba' && echo "gio open: lanzado"
apt-get remove -y -q orvo-suite
trap - EXIT
if [ -e "/opt/Orvo Suite.app" ] || [ -e /usr/bin/orvo-suite ] || [ -e /usr/share/applications/com.orvo.suite.desktop ]; then
  echo "quedaron archivos tras apt-get remove" >&2
  exit 1
fi
echo "quitado sin restos"
dpkg --purge orvo-suite >/dev/null  # the record dpkg keeps for the removal script
