#!/usr/bin/env bash
# Screenshots of the two pages (sign-in, catalogue, installation) at both window sizes,
# in WebKitGTK under Xvfb; written to docs/capturas/ unless a folder is given.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/dependencias.sh
export PYTHONDONTWRITEBYTECODE=1
exec xvfb-run -a -s "-screen 0 1400x1000x24" /usr/bin/python3 tests/paginas/capturas.py "$@"
