#!/usr/bin/env bash
# Fuzz the formula file reader for a bounded time, starting from a corpus of
# files the program saved (fuzz/corpus). The target is CMake's
# formula_file_fuzz (option TERVO_BUILD_FUZZ: clang with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer), built in build-fuzz/.
#
# Usage: scripts/fuzz-file.sh [SECONDS]   (default 60)
# Fails when the fuzzer finds a crash, a sanitizer report or a broken
# property; the input that did it is left in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."

TIME=${1:-60}
OUT=build-fuzz
CXX=${FUZZ_CXX:-clang++}

if ! command -v "$CXX" >/dev/null; then
  echo "fuzz-file: $CXX not found (scripts/install-deps.sh installs clang)" >&2
  exit 1
fi

echo "fuzz-file: building $OUT/fuzz/formula_file_fuzz"
cmake -S . -B "$OUT" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER="$CXX" -DTERVO_BUILD_FUZZ=ON \
  -DTERVO_BUILD_UI=OFF -DTERVO_BUILD_TOOLS=OFF -DTERVO_BUILD_BENCH=OFF >/dev/null
cmake --build "$OUT" --target formula_file_fuzz -j "$(nproc)" >/dev/null
FUZZER=$OUT/fuzz/formula_file_fuzz

# Work on a copy, so that the saved seeds stay as they are.
rm -rf "$OUT/corpus"
mkdir -p "$OUT/corpus"
cp fuzz/corpus/* "$OUT/corpus/"

echo "fuzz-file: running for $TIME seconds"
"$FUZZER" -max_total_time="$TIME" -max_len=16384 -timeout=10 \
  -artifact_prefix="$OUT/" -print_final_stats=1 "$OUT/corpus"
