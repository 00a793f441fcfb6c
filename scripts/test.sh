#!/usr/bin/env bash
# Install what is missing, build, and run every test: the full build with
# the windows, then the engine again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

scripts/install-deps.sh

JOBS=$(nproc)
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 0700 "$XDG_RUNTIME_DIR"

echo "== build (build/)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$JOBS"

echo "== build with sanitizers (build-asan/)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTERVO_SANITIZE=ON \
  -DTERVO_BUILD_UI=OFF -DTERVO_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$JOBS"

status=0
echo "== tests under sanitizers"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$JOBS" || status=1

for extra in "$ROOT"/scripts/test.d/*.sh; do
  [ -e "$extra" ] || continue
  echo "== $(basename "$extra")"
  bash "$extra" || status=1
done

echo "== tests"
ctest --test-dir build --output-on-failure -j "$JOBS" || status=1
exit $status
