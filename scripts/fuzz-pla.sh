#!/usr/bin/env bash
# Fuzz the PLA reader (and the runs of small files) for a bounded time,
# starting from the hand-written files in fuzz/pla_corpus. Builds the target
# with clang and libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer.
#
# Usage: scripts/fuzz-pla.sh [SECONDS]   (default 60; give more for a long run)
# Fails when the fuzzer finds a crash, a sanitizer report or a broken
# property; the input that did it is left in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."

TIME=${1:-60}
OUT=build-fuzz
CXX=${FUZZ_CXX:-clang++}
mkdir -p "$OUT"

if ! command -v "$CXX" >/dev/null; then
  echo "fuzz-pla: $CXX not found (scripts/install-deps.sh installs clang)" >&2
  exit 1
fi

echo "fuzz-pla: building $OUT/pla_fuzz"
"$CXX" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -fno-omit-frame-pointer -D_GLIBCXX_ASSERTIONS -Iengine -Itools/batch engine/*.cpp \
  tools/batch/pla.cpp tools/batch/pla_run.cpp tools/batch/inputs.cpp tools/batch/report.cpp tools/batch/run.cpp \
  fuzz/pla_fuzz.cpp -o "$OUT/pla_fuzz"

# Work on a copy, so that the seeds stay as they are.
rm -rf "$OUT/pla_corpus"
mkdir -p "$OUT/pla_corpus"
cp fuzz/pla_corpus/* "$OUT/pla_corpus/"

echo "fuzz-pla: running for $TIME seconds"
"$OUT/pla_fuzz" -max_total_time="$TIME" -max_len=4096 -timeout=10 \
  -artifact_prefix="$OUT/pla-" -print_final_stats=1 "$OUT/pla_corpus"
