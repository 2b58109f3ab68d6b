#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with clang and runs each for the given number of seconds
# (default 60), starting from its committed seed corpus (and its dictionary fuzz/NAME.dict
# where there is one). New inputs go to a scratch folder, so the committed corpus only
# changes by hand.
#   fuzz/run.sh [seconds] [target-name-filter]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
filter="${2:-}"
build=build-fuzz
if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTESSAMAIL_FUZZ=ON -DTESSAMAIL_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 >/dev/null
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for exe in "$build"/fuzz/fuzz_*; do
    [ -f "$exe" ] && [ -x "$exe" ] || continue
    name=$(basename "$exe")
    name=${name#fuzz_}
    [[ -z "$filter" || "$name" == *"$filter"* ]] || continue
    scratch=$(mktemp -d)
    cp -r fuzz/corpus/"$name"/. "$scratch"/ 2>/dev/null || true
    dict=()
    [ -f fuzz/"$name".dict ] && dict=(-dict=fuzz/"$name".dict)
    echo "== $name: ${seconds}s"
    if ! "$exe" -max_total_time="$seconds" -max_len=262144 -timeout=30 "${dict[@]}" \
        -artifact_prefix="$build/crash-$name-" "$scratch" 2>"$build/fuzz-$name.log"; then
        echo "FAILED: $name (see $build/fuzz-$name.log)"
        tail -30 "$build/fuzz-$name.log"
        status=1
    else
        grep -E '^Done [0-9]+ runs' "$build/fuzz-$name.log" || tail -1 "$build/fuzz-$name.log"
    fi
    rm -rf "$scratch"
done
exit $status
