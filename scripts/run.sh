#!/usr/bin/env bash
# The main job: the device host with the demo network (board 0 at switch 0, a
# counter station at 10 of size 2, an echo station at 20), in a runtime
# directory of its own, and a client on it. Only the programs it runs are
# built; the tests and benchmarks are built by scripts/test.sh.
#
# With a display (DISPLAY or WAYLAND_DISPLAY set) the client is the test
# program ravprobe; RAVPROBE_VNC=PORT serves its window over VNC on that port
# instead (no password: use it only through an ssh tunnel or on a trusted
# network). Without either, `ravel watch` shows the live GM grid in this
# terminal, with a `ravel mail ping` line to the echo station every few
# seconds below it. Ctrl-C, or closing the window, stops everything started.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$PWD/build/bin
bash scripts/install-deps.sh

targets=(ravkernd Ravlib ravel)
gui=
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}${RAVPROBE_VNC:-}" ]; then
  gui=1
  targets+=(ravprobe)
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target "${targets[@]}"

runtime=$(mktemp -d /tmp/ravel-demo-XXXXXX)
export RAVEL_RUNTIME_DIR=$runtime
host_pid=
pinger_pid=
finish() {
  if [ -n "$pinger_pid" ]; then kill -TERM "$pinger_pid" 2>/dev/null || true; wait "$pinger_pid" 2>/dev/null || true; fi
  if [ -n "$host_pid" ]; then kill -TERM "$host_pid" 2>/dev/null || true; wait "$host_pid" 2>/dev/null || true; fi
  rm -rf "$runtime"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

"$bin/ravkernd" --runtime-dir "$runtime" --board 0 --station 10:2:counter --station 20:1:echo \
  >"$runtime/ravkernd.out" &
host_pid=$!
for _ in $(seq 100); do
  grep -qx ready "$runtime/ravkernd.out" 2>/dev/null && break
  kill -0 "$host_pid" 2>/dev/null || { echo "ravkernd did not start." >&2; exit 1; }
  sleep 0.1
done
if ! grep -qx ready "$runtime/ravkernd.out"; then
  echo "ravkernd did not report ready within 10 seconds." >&2
  exit 1
fi

echo "Demo network up (runtime directory $runtime):"
"$bin/ravkernd" status --runtime-dir "$runtime" | sed 's/^/  /'
echo "From another shell: export RAVEL_RUNTIME_DIR=$runtime, then build/bin/ravel --help"
echo "                    build/bin/ravkernd station-off 10 --runtime-dir $runtime (station-on 10 brings it back)"

# The programs write their logs and read their INI files in their current
# directory.
mkdir -p build/demo
cd build/demo

if [ -n "$gui" ]; then
  echo "Starting ravprobe (logs and INI files in build/demo). Open board 0, start it, watch stations"
  echo "10-11 count in the GM grid; open mail and run the aging test against station 20."
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    "$bin/ravprobe"
  else
    echo "No display: ravprobe serves its window over VNC on port $RAVPROBE_VNC (no password)."
    echo "Connect a VNC viewer to this machine, e.g. ssh -L $RAVPROBE_VNC:localhost:$RAVPROBE_VNC here, then localhost:$RAVPROBE_VNC."
    QT_QPA_PLATFORM="vnc:size=1280x900:port=$RAVPROBE_VNC" "$bin/ravprobe"
  fi
  exit 0
fi

# One round trip through the echo station every few seconds; its line
# scrolls under the grid.
pinger() {
  local nap=
  trap '[ -z "$nap" ] || kill "$nap" 2>/dev/null; exit 0' TERM
  while :; do
    sleep 5 &
    nap=$!
    wait "$nap" || true
    nap=
    "$bin/ravel" mail ping 20 -c 1 -W 2 2>&1 | grep -m1 -e 'seq=' -e '^ravel' || true
  done
}
echo "No display: ravel watch shows the bus (logs in build/demo); Ctrl-C ends it and the host."
echo "Set RAVPROBE_VNC=5900 to see the test program over VNC instead."
sleep 2
pinger &
pinger_pid=$!
"$bin/ravel" watch --start 1:1
