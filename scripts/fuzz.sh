#!/usr/bin/env bash
# Fuzz one of the readers for a bounded time, starting from its seed corpus.
# CMake builds the targets (option TERVO_BUILD_FUZZ: clang with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer) in build-fuzz/.
#
# Usage: scripts/fuzz.sh file|pla [SECONDS]   (default 60)
#   file  the formula file reader, seeds in fuzz/corpus (files the program saved)
#   pla   the PLA reader and the runs of small files, seeds in fuzz/pla_corpus
# Fails when the fuzzer finds a crash, a sanitizer report or a broken
# property; the input that did it is left in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
  file) TARGET=formula_file_fuzz SEEDS=fuzz/corpus MAXLEN=16384 ;;
  pla) TARGET=pla_fuzz SEEDS=fuzz/pla_corpus MAXLEN=4096 ;;
  *) echo "usage: scripts/fuzz.sh file|pla [SECONDS]" >&2; exit 2 ;;
esac
TIME=${2:-60}
OUT=build-fuzz
CXX=${FUZZ_CXX:-clang++}

if ! command -v "$CXX" >/dev/null; then
  echo "fuzz: $CXX not found (scripts/install-deps.sh installs clang)" >&2
  exit 1
fi

echo "fuzz: building $OUT/fuzz/$TARGET"
cmake -S . -B "$OUT" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER="$CXX" -DTERVO_BUILD_FUZZ=ON \
  -DTERVO_BUILD_UI=OFF -DTERVO_BUILD_TOOLS=ON -DTERVO_BUILD_BENCH=OFF >/dev/null
cmake --build "$OUT" --target "$TARGET" -j "$(nproc)" >/dev/null

# Work on a copy, so that the saved seeds stay as they are.
CORPUS=$OUT/corpus-$1
rm -rf "$CORPUS"
mkdir -p "$CORPUS"
cp "$SEEDS"/* "$CORPUS/"

echo "fuzz: running $TARGET for $TIME seconds"
"$OUT/fuzz/$TARGET" -max_total_time="$TIME" -max_len="$MAXLEN" -timeout=10 \
  -artifact_prefix="$OUT/" -print_final_stats=1 "$CORPUS"
