#!/usr/bin/env bash
# The main job: the device host with the demo network (board 0 at switch 0, a
# counter station at 10 of size 2, an echo station at 20), in a runtime
# directory of its own, and the test program on it. The host stops when the
# test program exits (or on Ctrl-C).
#
# Without a display (DISPLAY and WAYLAND_DISPLAY unset) the test program runs
# on a virtual X server, where it works but cannot be seen; the terminal then
# shows the bus every few seconds. RAVPROBE_VNC=PORT serves the window over
# VNC on that port instead (no password: use it only through an ssh tunnel or
# on a trusted network).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$PWD/build/bin
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

if [ ! -x "$bin/ravkernd" ]; then
  echo "The device host ravkernd is not built yet; there is no simulated network to run on." >&2
  exit 1
fi

runtime=$(mktemp -d /tmp/ravel-demo-XXXXXX)
export RAVEL_RUNTIME_DIR=$runtime
host_pid=
monitor_pid=
finish() {
  if [ -n "$monitor_pid" ]; then kill "$monitor_pid" 2>/dev/null || true; wait "$monitor_pid" 2>/dev/null || true; fi
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

status() { "$bin/ravkernd" status --runtime-dir "$runtime"; }
echo "Demo network up (runtime directory $runtime):"
status | sed 's/^/  /'
echo "From another shell: build/bin/ravkernd status --runtime-dir $runtime"
echo "                    build/bin/ravkernd station-off 10 --runtime-dir $runtime (station-on 10 brings it back)"

# One line of the bus every few seconds, for a terminal that shows nothing else.
monitor() {
  while sleep 5; do
    line=$(status 2>/dev/null | awk '/^cycles/ {c=$2} /^members:/ {m=$0} END {print "bus cycle " c ", " m}') || break
    echo "$line"
  done
}

if [ ! -x "$bin/ravprobe" ]; then
  echo "The test program ravprobe is not built yet; showing the network until Ctrl-C."
  monitor
  exit 0
fi

# Ravprobe writes its log and reads its INI files in its current directory.
mkdir -p build/demo
cd build/demo
echo "Starting ravprobe (logs and INI files in build/demo). Open board 0, start it, watch stations"
echo "10-11 count in the GM grid; open mail and run the aging test against station 20."
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$bin/ravprobe"
elif [ -n "${RAVPROBE_VNC:-}" ]; then
  echo "No display: ravprobe serves its window over VNC on port $RAVPROBE_VNC (no password)."
  echo "Connect a VNC viewer to this machine, e.g. ssh -L $RAVPROBE_VNC:localhost:$RAVPROBE_VNC here, then localhost:$RAVPROBE_VNC."
  QT_QPA_PLATFORM="vnc:size=1280x900:port=$RAVPROBE_VNC" "$bin/ravprobe"
else
  echo "No display: ravprobe runs on a virtual X server and cannot be seen here."
  echo "To see it, run this from a desktop session or over ssh -X, or set RAVPROBE_VNC=5900 for VNC."
  echo "Ctrl-C ends ravprobe and the host."
  monitor &
  monitor_pid=$!
  xvfb-run -a "$bin/ravprobe"
fi
