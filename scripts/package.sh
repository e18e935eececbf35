#!/usr/bin/env bash
# Builds the Debian package of the system in build-pkg/ (installed under
# /usr, without the tests and benchmarks) and prints its path last. The
# build type and compiler flags are the test builds' (the package's files
# are stripped), so a compiler cache serves both.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh >&2

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Debian's hardened linking: relocations read-only and bound at start.
hardened="-Wl,-z,relro -Wl,-z,now"
cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_EXE_LINKER_FLAGS="$hardened" -DCMAKE_SHARED_LINKER_FLAGS="$hardened" \
  -DRAVEL_BUILD_TESTS=OFF -DRAVEL_BUILD_BENCH=OFF -DRAVEL_REQUIRE_MANPAGES=ON "${launcher[@]}" >&2
cmake --build build-pkg -j "$(nproc)" >&2
rm -f build-pkg/package/*.deb
(cd build-pkg && cpack -G DEB >&2)
ls build-pkg/package/*.deb
