#!/usr/bin/env bash
# Builds the benchmarks (not part of the tests) into build-bench/ and runs the one named in $1,
# or all of them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$root/build-bench" -DGLYPHON_BUILD_BENCH=ON -DGLYPHON_BUILD_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=Release
for b in "$root"/build-bench/bench/*; do
  if [ -z "${1:-}" ] || [ "$(basename "$b")" = "$1" ]; then
    echo "== $(basename "$b")"
    QT_QPA_PLATFORM=offscreen "$b"
  fi
done
