#!/usr/bin/env bash
# Builds the Debian package: a Release build without the tests into build-package/ (or the
# folder given as $1; further arguments go to CMake), packed by CPack; prints the path of the
# .deb. Install it with `apt-get install ./build-package/velmaris-glyphon_*.deb`.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-package}")
shift || true
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DGLYPHON_BUILD_TESTS=OFF "$@"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/velmaris-glyphon_*.deb
