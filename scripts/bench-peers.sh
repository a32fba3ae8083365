#!/usr/bin/env bash
# Builds bench_peers in Release and runs it: our editor beside QScintilla and QPlainTextEdit on
# the same generated files, printed as one table. Build folder: $1, or build-peers/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-peers"}
bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DGLYPHON_BUILD_BENCH=ON -DGLYPHON_BUILD_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target bench_peers
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'); $(date -u '+%Y-%m-%d')"
if command -v xvfb-run >/dev/null; then
  xvfb-run -a "$build/bench/bench_peers"
else
  QT_QPA_PLATFORM=offscreen "$build/bench/bench_peers"
fi
