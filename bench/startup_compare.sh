#!/usr/bin/env bash
# Starts two builds of the program in turn on the same page and prints, for each, the time from
# the process start to its main window on the screen (median of the runs, in ms) and the resident
# memory two seconds later (median, in KB). Usage, on a display (xvfb-run -a):
#   bench/startup_compare.sh OLD_BINARY NEW_BINARY [RUNS]
set -euo pipefail
old=$1 new=$2 runs=${3:-9}
export XAUTHORITY=${XAUTHORITY:-$HOME/.Xauthority}
work=$(mktemp -d)
trap 'cat "$work/stderr" >&2 2>/dev/null; rm -rf "$work"' EXIT
for i in $(seq 1 100); do echo "<p>line $i of a page</p>"; done > "$work/page.html"

measure() { # binary -> "ms kb"
    local home="$work/home.$RANDOM"
    mkdir -p "$home" && chmod 700 "$home"
    local start end pid
    start=$(date +%s%N)
    HOME=$home XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache XDG_DATA_HOME=$home/data \
        XDG_STATE_HOME=$home/state XDG_RUNTIME_DIR=$home "$1" "$work/page.html" >/dev/null 2>>"$work/stderr" &
    pid=$!
    until xdotool search --pid "$pid" --onlyvisible --name "page.html" >/dev/null 2>&1; do :; done
    end=$(date +%s%N)
    sleep 2
    local kb
    kb=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "$(( (end - start) / 1000000 )) $kb"
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

: > "$work/old" ; : > "$work/new"
for r in $(seq 1 "$runs"); do
    measure "$old" >> "$work/old"
    measure "$new" >> "$work/new"
done
for which in old new; do
    echo "$which: start-up $(cut -d' ' -f1 "$work/$which" | median) ms," \
         "resident $(cut -d' ' -f2 "$work/$which" | median) KB"
done
