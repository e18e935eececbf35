#!/usr/bin/env bash
# The main job: the device host with the default simulated network, and the
# test program on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

if [ ! -x build/bin/ravkernd ]; then
  echo "The device host ravkernd is not built yet; there is no simulated network to run on." >&2
  exit 1
fi
if [ ! -x build/bin/ravprobe ]; then
  echo "The test program ravprobe is not built yet." >&2
  exit 1
fi
echo "The main job is not wired up yet." >&2
exit 1
