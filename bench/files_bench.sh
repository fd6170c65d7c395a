#!/usr/bin/env bash
# Builds the grid and job file benchmark in its own release directory and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/filesrel}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLORY_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target bench_files
"$build"/bench/bench_files
