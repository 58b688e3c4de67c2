#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UBSan, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/dependencias.sh
cmake -S . -B build/pruebas -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVO_SANITIZE=ON >/dev/null
cmake --build build/pruebas
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/pruebas --output-on-failure -j2 --timeout 120
