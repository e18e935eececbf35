#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, test and run the
# system. Needs root; does nothing when everything is present.
set -euo pipefail

packages=(cmake ninja-build g++ clang clang-format libclang-rt-14-dev
          libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev fonts-noto-cjk xvfb xauth
          python3-pytest python3-setuptools python3-venv
          scdoc lintian pkg-config dpkg-dev file
          g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
