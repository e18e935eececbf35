#!/usr/bin/env bash
# Builds every configuration and runs every test: the plain build (with the
# test program), AddressSanitizer + UndefinedBehaviorSanitizer (clang, with the
# fuzz targets) and ThreadSanitizer for the non-GUI code.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

run_config() {
  local dir=$1; shift
  echo "=== configure $dir"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  echo "=== build $dir"
  cmake --build "$dir" -j "$jobs"
  echo "=== test $dir"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 300
}

run_config build
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_config build-asan -DRAVEL_SANITIZE=address -DRAVEL_BUILD_PROBE=OFF -DRAVEL_BUILD_BENCH=OFF \
    -DRAVEL_BUILD_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
TSAN_OPTIONS=halt_on_error=1 \
  run_config build-tsan -DRAVEL_SANITIZE=thread -DRAVEL_BUILD_PROBE=OFF -DRAVEL_BUILD_BENCH=OFF
echo "=== all configurations passed"
