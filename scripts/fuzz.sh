#!/usr/bin/env bash
# Fuzzes with libFuzzer: builds the targets of fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/, then runs TARGET (or every target in turn) for
# SECONDS seconds each (default 60), or until RUNS inputs have run, starting from its kept corpus
# in fuzz/corpus/TARGET. The kept corpus is then cut down to the fewest inputs that reach every
# piece of code the run reached; inputs with names of their own (seeds and inputs that once
# failed) always stay. A crash, leak or input slower than 1 s (5 s for the preprocessor and the
# edits with undo) stops the run and leaves the input in build-fuzz/.
#   scripts/fuzz.sh [TARGET] [SECONDS] [RUNS]   TARGET: all, or one of the list below
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
seconds=${2:-60}
runs=${3:--1}
targets=(LineBuffer Undo Highlighters CacheName HTMLWalk Preprocess Translation FtpListing TidyRequest TidyResponse)
if [[ $# -ge 1 && $1 != all ]]; then
  targets=("$1")
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DGLYPHON_FUZZ=ON -DGLYPHON_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
for target in "${targets[@]}"; do
  cmake --build "$build" -j2 --target "fuzz_$target"
  kept=$root/fuzz/corpus/$target
  found=$build/corpus/$target
  mkdir -p "$kept" "$found"
  # The preprocessor may do millions of characters of replacing before it gives up, by design;
  # under the sanitizers that alone can take a second. A run of Block Indents over a few hundred
  # lines makes thousands of small blocks, each of which the sanitizer records: 12 ms without
  # it, half a second with it, more on a busy machine.
  timeout=1
  [[ $target == Preprocess || $target == Undo ]] && timeout=5
  # The sanitizer's bookkeeping of memory given back grows by some kilobytes an input where the
  # target makes and frees big blocks (the editor's lines: about 14 KB an input, none of it
  # the program's own, which stays flat over the same inputs without the sanitizer), so a long
  # run needs room.
  QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 "$build/bin/fuzz_$target" \
    -max_total_time="$seconds" -runs="$runs" -timeout="$timeout" -rss_limit_mb=12288 -max_len=4096 \
    -artifact_prefix="$build/$target-" -print_final_stats=1 "$found" "$kept"
  # Edges only (no hit counts), so the kept corpus stays small.
  minimal=$build/minimal/$target
  rm -rf "$minimal" && mkdir -p "$minimal"
  find "$kept" -type f -regextype posix-extended ! -regex '.*/[0-9a-f]{40}' -exec cp {} "$minimal"/ \;
  QT_QPA_PLATFORM=offscreen "$build/bin/fuzz_$target" -merge=1 -use_counters=0 -max_len=4096 \
    -timeout=10 "$minimal" "$kept" "$found" 2>&1 | tail -n 1
  rm -rf "$kept" && mv "$minimal" "$kept"
done
