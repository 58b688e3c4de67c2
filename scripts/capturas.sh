#!/usr/bin/env bash
# Screenshots of the two pages (sign-in, catalogue, installation) at both window sizes,
# in WebKitGTK under Xvfb, taken by the page tests' size checks; written to docs/capturas/
# unless a folder is given.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/dependencias.sh
export PYTHONDONTWRITEBYTECODE=1 ORVO_CAPTURAS="${1:-docs/capturas}"
exec xvfb-run -a -s "-screen 0 1400x1000x24" sh -c \
  '/usr/bin/python3 tests/paginas/test_principal.py Principal.test_tamanos_y_capturas &&
   /usr/bin/python3 tests/paginas/test_instalador.py Instalador.test_tamanos_y_capturas'
