#!/usr/bin/env bash
# Build the reduction benchmark optimised (in build-bench/) and run it.
#   scripts/bench.sh              the fast reduction on every function
#   scripts/bench.sh --plain      the plain loop as well (adds about 15 minutes)
# Other arguments go to the program, after the script's own filter, e.g.
#   scripts/bench.sh --benchmark_filter=adder --deadline=60
# A reduction still running after --deadline seconds (default 600) is ended
# and reported with finished=0.
set -euo pipefail
cd "$(dirname "$0")/.."

filter='fast/'
args=()
for a in "$@"; do
  case "$a" in
    --plain) filter='.' ;;
    *) args+=("$a") ;;
  esac
done

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTERVO_BUILD_UI=OFF -DTERVO_BUILD_TOOLS=OFF \
  -DTERVO_BUILD_BENCH=ON >/dev/null
cmake --build build-bench -j2 --target tervo42-bench tervo42-make-adder-pla
exec nice build-bench/bench/tervo42-bench --benchmark_counters_tabular=true --benchmark_filter="$filter" "${args[@]}"
