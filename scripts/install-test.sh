#!/usr/bin/env bash
# The installed system end to end, as root: the Debian package built and
# linted (errors fail), installed with apt-get; with the build folders hidden
# and outside the tree, a C program built through pkg-config and a CMake
# project through find_package(Ravlib); the installed ravkernd started as its
# service would start it, with /run/ravel, and the program run against it by
# a member of the group ravel (open, start, a GM round trip, close); then the
# package purged and nothing of it left. Every way out purges the package,
# stops the host and puts the build folders back.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
began=$(date +%s)

fail() { echo "install-test: $*" >&2; exit 1; }
[ "$(id -u)" = 0 ] || fail "needs root"
dpkg-query -W -f='${Status}' ravel 2>/dev/null | grep -q "ok installed" && fail "the package ravel is installed already"
[ -e /run/ravel ] && fail "/run/ravel exists: a ravkernd service is running"

deb=$(bash scripts/package.sh | tail -1)
work=$(mktemp -d /tmp/ravel-install-test-XXXXXX)
chmod 755 "$work"
cp "$deb" "$work/"
deb="$work/$(basename "$deb")"
cp packaging/install-test/app.c packaging/install-test/CMakeLists.txt "$work/"

member="ravel-it-$$"
host_pid=""
run_dir=""
hidden=()
cleanup() {
  local status=$?
  set +e
  if [ -n "$host_pid" ]; then
    kill "$host_pid" 2>/dev/null
    wait "$host_pid" 2>/dev/null
  fi
  [ -n "$run_dir" ] && rm -rf "$run_dir"
  id "$member" >/dev/null 2>&1 && userdel "$member"
  if dpkg-query -W ravel >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq ravel >/dev/null
  fi
  for dir in "${hidden[@]}"; do mv "$dir.hidden-by-install-test" "$dir"; done
  rm -rf "$work"
  echo "=== install test $([ $status = 0 ] && echo passed || echo FAILED) in $(( $(date +%s) - began )) s"
  exit $status
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "=== lintian"
lintian --tag-display-limit 0 --fail-on error "$deb"

echo "=== install $(basename "$deb") ($(stat -c %s "$deb") bytes)"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
listed=$(dpkg -L ravel)
shopt -s nullglob
for dir in build*/; do
  hidden+=("$repo/${dir%/}")
  mv "${dir%/}" "${dir%/}.hidden-by-install-test"
done

echo "=== build against the installed library"
cd "$work"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -Werror -o app-pc app.c $(pkg-config --cflags --libs ravlib)
cmake -S . -B cmake-build -G Ninja >/dev/null
cmake --build cmake-build >/dev/null
for program in $(grep '^/usr/bin/' <<< "$listed"); do man -w "$(basename "$program")" >/dev/null; done
man -w 3 ravlib >/dev/null

echo "=== the installed host, started as the service starts it"
getent group ravel >/dev/null || fail "no group ravel"
unit=/lib/systemd/system/ravkernd.service
systemd-analyze verify "$unit"
command=$(sed -n 's/^ExecStart=//p' "$unit")
run_dir=/run/ravel
install -d -m 2770 -o root -g ravel "$run_dir"
useradd --no-create-home --groups ravel --shell /usr/sbin/nologin "$member"
install -d -o "$member" "$work/member"
(umask 022; exec env -u RAVEL_RUNTIME_DIR $command >"$work/host.out" 2>&1) &
host_pid=$!
for _ in $(seq 100); do grep -qx ready "$work/host.out" && break; sleep 0.1; done
grep -qx ready "$work/host.out" || fail "ravkernd did not start: $(cat "$work/host.out")"

echo "=== a member of the group ravel runs the programs"
as_member() { (cd "$work/member" && runuser -u "$member" -- env -u RAVEL_RUNTIME_DIR -u XDG_RUNTIME_DIR "$@"); }
as_member "$work/app-pc"
as_member "$work/cmake-build/app"
as_member ravkernd status | grep -q "^station 10 " || fail "ravkernd status: no counter station"
others=$(find /run/ravel -perm /o=rwx -not -type l)
[ -z "$others" ] || fail "open to other users: $others"
install -d -o nobody "$work/nobody"
refused=$(cd "$work/nobody" && runuser -u nobody -- env -u RAVEL_RUNTIME_DIR "$work/app-pc" 2>&1 || true)
[[ "$refused" == *"RV_open answered 4"* ]] || fail "a user outside the group ravel: $refused"

kill "$host_pid"
wait "$host_pid" || true
host_pid=""
rm -rf "$run_dir"
run_dir=""

echo "=== purge"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq ravel >/dev/null
left=()
while read -r path; do
  [ "$path" = "/." ] && continue
  if [ -e "$path" ] && ! { [ -d "$path" ] && [ -n "$(dpkg -S "$path" 2>/dev/null)" ]; }; then left+=("$path"); fi
done <<< "$listed"
getent group ravel >/dev/null && left+=("group ravel")
[ -e /run/ravel ] && left+=(/run/ravel)
[ ${#left[@]} = 0 ] || fail "left after purge: ${left[*]}"
