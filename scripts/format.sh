#!/usr/bin/env bash
# Formats the repository's C and C++ sources by .clang-format. With --check it
# changes nothing and fails, naming the lines, where a file is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = --check ]; then
  clang-format --dry-run --Werror "${files[@]}"
else
  clang-format -i "${files[@]}"
fi
