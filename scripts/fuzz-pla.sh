#!/usr/bin/env bash
# Fuzz the PLA reader (and the runs of small files) for a bounded time,
# starting from the hand-written files in fuzz/pla_corpus. CMake builds the
# target with clang and libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer.
#
# Usage: scripts/fuzz-pla.sh [SECONDS]   (default 60; give more for a long run)
# Fails when the fuzzer finds a crash, a sanitizer report or a broken
# property; the input that did it is left in build-fuzz-pla/.
set -euo pipefail
cd "$(dirname "$0")/.."

TIME=${1:-60}
# Its own build folder: the file reader's fuzz build leaves the tool out.
OUT=build-fuzz-pla
CXX=${FUZZ_CXX:-clang++}
mkdir -p "$OUT"

if ! command -v "$CXX" >/dev/null; then
  echo "fuzz-pla: $CXX not found (scripts/install-deps.sh installs clang)" >&2
  exit 1
fi

echo "fuzz-pla: building $OUT/fuzz/pla_fuzz"
cmake -S . -B "$OUT" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER="$CXX" -DTERVO_BUILD_FUZZ=ON \
  -DTERVO_BUILD_UI=OFF -DTERVO_BUILD_TOOLS=ON -DTERVO_BUILD_BENCH=OFF >/dev/null
cmake --build "$OUT" --target pla_fuzz -j "$(nproc)" >/dev/null
FUZZER=$OUT/fuzz/pla_fuzz

# Work on a copy, so that the seeds stay as they are.
rm -rf "$OUT/pla_corpus"
mkdir -p "$OUT/pla_corpus"
cp fuzz/pla_corpus/* "$OUT/pla_corpus/"

echo "fuzz-pla: running for $TIME seconds"
"$FUZZER" -max_total_time="$TIME" -max_len=4096 -timeout=10 \
  -artifact_prefix="$OUT/" -print_final_stats=1 "$OUT/pla_corpus"
