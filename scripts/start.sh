#!/usr/bin/env bash
# Sets up the machine, builds the editor and starts it; any arguments (a file name, options)
# are passed to the editor.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$root/build"
exec "$root/build/bin/glyphon" "$@"
