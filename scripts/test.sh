#!/usr/bin/env bash
# Builds every configuration of CMakePresets.json and runs every test: the
# plain build (with the test program), AddressSanitizer +
# UndefinedBehaviorSanitizer (clang, with the fuzz targets) and
# ThreadSanitizer for the non-GUI code, the Python package's tests against
# the plain build, Ravlib.dll cross-built with mingw-w64, 32-bit (its export
# table checked) and 64-bit (tested under Wine), and the Debian package
# installed, used and removed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
echo "=== format check"
bash scripts/format.sh --check

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
echo "=== test python package against build/bin"
PYTHONDONTWRITEBYTECODE=1 RAVLIB_PATH=$PWD/build/bin RAVKERND=$PWD/build/bin/ravkernd /usr/bin/python3 -m pytest -q -p no:cacheprovider python/tests
run_config asan build-asan
run_config tsan build-tsan
start=$SECONDS
run_config win32 build-win32
run_config win64 build-win64
echo "=== Windows builds and tests: $((SECONDS - start)) s"
bash scripts/install-test.sh
echo "=== all configurations passed"
