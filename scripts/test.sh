#!/usr/bin/env bash
# Builds every configuration of CMakePresets.json and runs every test: the
# plain build (with the test program), AddressSanitizer +
# UndefinedBehaviorSanitizer (clang, with the fuzz targets) and
# ThreadSanitizer for the non-GUI code; then Ravlib.dll cross-built with
# mingw-w64, 32-bit (its export table checked) and 64-bit (tested under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)

run_config() {
  local preset=$1 dir=$2
  echo "=== configure $dir"
  cmake --preset "$preset" >/dev/null
  echo "=== build $dir"
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== test $dir"
  ctest --preset "$preset" -j "$jobs"
}

run_config plain build
run_config asan build-asan
run_config tsan build-tsan
start=$SECONDS
run_config win32 build-win32
run_config win64 build-win64
echo "=== Windows builds and tests: $((SECONDS - start)) s"
echo "=== all configurations passed"
