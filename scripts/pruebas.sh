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

# The fuzz targets, a few seconds each over their corpora, in a clang build of their own.
CXX=clang++-14 cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVO_FUZZ=ON \
  -DORVO_TESTS=OFF -DORVO_BENCH=OFF >/dev/null
cmake --build build/fuzz --target fuzz_registros fuzz_archivos_locales fuzz_versiones fuzz_url \
  fuzz_desempaquetar fuzz_zip_directorio
ctest --test-dir build/fuzz --output-on-failure -j2
