#!/usr/bin/env bash
# Fuzz the formula file reader for a bounded time, starting from a corpus of
# files the program saved (fuzz/corpus). Builds the target with clang and
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer.
#
# Usage: scripts/fuzz-file.sh [SECONDS]   (default 60)
# Fails when the fuzzer finds a crash, a sanitizer report or a broken
# property; the input that did it is left in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."

TIME=${1:-60}
OUT=build-fuzz
CXX=${FUZZ_CXX:-clang++}
mkdir -p "$OUT"

if ! command -v "$CXX" >/dev/null; then
  echo "fuzz-file: $CXX not found (scripts/install-deps.sh installs clang)" >&2
  exit 1
fi

echo "fuzz-file: building $OUT/formula_file_fuzz"
"$CXX" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -fno-omit-frame-pointer -D_GLIBCXX_ASSERTIONS -Iengine engine/*.cpp fuzz/formula_file_fuzz.cpp -o "$OUT/formula_file_fuzz"

# Work on a copy, so that the saved seeds stay as they are.
rm -rf "$OUT/corpus"
mkdir -p "$OUT/corpus"
cp fuzz/corpus/* "$OUT/corpus/"

echo "fuzz-file: running for $TIME seconds"
"$OUT/formula_file_fuzz" -max_total_time="$TIME" -max_len=16384 -timeout=10 \
  -artifact_prefix="$OUT/" -print_final_stats=1 "$OUT/corpus"
