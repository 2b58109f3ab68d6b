#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the benchmarks in Release, runs them once (the program, age and gpg on the same
# bytes in the same run) and prints one comparison table.
#
#   bench/run.sh [benchmark options...]      e.g. --benchmark_filter=startup
#
# BUILD_DIR (default build-bench) and REPETITIONS (default 5) can be set in the environment.
# The machine should be otherwise idle: the table says what the load was.
set -eu

src=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$src/build-bench}
repetitions=${REPETITIONS:-5}

cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSAMAIL_BENCH=ON \
    -DTESSAMAIL_TESTS=OFF >/dev/null
ninja -C "$build" -j2 tessamail_bench >/dev/null

load() { cut -d' ' -f1 /proc/loadavg; }
before=$(load)
"$build/bench/tessamail_bench" --benchmark_repetitions="$repetitions" \
    --benchmark_report_aggregates_only=true \
    --benchmark_out="$build/bench-results.json" --benchmark_out_format=json "$@" >&2
after=$(load)
python3 "$src/bench/table.py" "$build/bench-results.json" "$before" "$after"
