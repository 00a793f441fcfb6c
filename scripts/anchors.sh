#!/usr/bin/env bash
# Run tervo42-batch --pla on every anchor PLA file as a whole process, the
# way a user runs it, and print per file the rows and literals written
# (input literals and output ones, as the cover is written), the
# wall-clock seconds and peak memory, the independent SAT check's word,
# and the figures the anchors' READMEs record.
#   scripts/anchors.sh [DIR...]          (default ../shared/bench-wide ../shared/bench-multi)
#   BATCH=path/to/tervo42-batch scripts/anchors.sh ...   (default: build it in build-bench/)
#   ANCHOR_ARGS="--minimal=5" scripts/anchors.sh ...      (more options for every run)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

if [ -z "${BATCH:-}" ]; then
  cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTERVO_BUILD_UI=OFF -DTERVO_BUILD_TOOLS=ON \
    -DTERVO_BUILD_BENCH=OFF >/dev/null
  cmake --build build-bench -j2 --target tervo42-batch >/dev/null
  BATCH=$ROOT/build-bench/tools/tervo42-batch
fi
CHECKER=$ROOT/../shared/tools/pla_check.py
dirs=("$@")
[ ${#dirs[@]} -eq 0 ] && dirs=("$ROOT/../shared/bench-wide" "$ROOT/../shared/bench-multi")
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# The README row of a file: its cells after the name, joined by " | ".
recorded() {  # dir, name
  [ -f "$1/README.md" ] || return 0
  awk -F'|' -v n="$2" '$2 ~ "^ *" n " *$" { s = ""; for (i = 3; i < NF; i++) { gsub(/^ +| +$/, "", $i); s = s (s ? " | " : "") $i }; print s; exit }' "$1/README.md"
}

printf '%-12s %5s %4s %7s %8s %8s %7s %6s  %-8s %s\n' file in out given rows literals seconds MB sat recorded
for dir in "${dirs[@]}"; do
  for pla in "$dir"/*.pla; do
    name=$(basename "$pla" .pla)
    ins=$(awk '$1 == ".i" { print $2; exit }' "$pla")
    outs=$(awk '$1 == ".o" { print $2; exit }' "$pla")
    given=$(grep -cE '^[01-]' "$pla" || true)
    # shellcheck disable=SC2086
    /usr/bin/time -f '%e %M' -o "$WORK/time" "$BATCH" --pla "$pla" --format pla ${ANCHOR_ARGS:-} \
      >"$WORK/cover.pla" 2>"$WORK/err" </dev/null && rc=0 || rc=$?
    read -r secs kb < <(tail -n 1 "$WORK/time") || { secs=-; kb=0; }
    rows=- literals=- sat=-
    if [ "$rc" -eq 0 ]; then
      rows=$(grep -cE '^[01-]' "$WORK/cover.pla" || true)
      literals=$(awk '/^[01-]/ { n += gsub(/[01]/, "", $1) + gsub(/1/, "", $2) } END { print n + 0 }' "$WORK/cover.pla")
      if command -v cadical >/dev/null && [ -f "$CHECKER" ]; then
        sat=$(python3 "$CHECKER" "$pla" "$WORK/cover.pla" >/dev/null 2>&1 && echo ok || echo FAIL)
      fi
    else
      sat="exit $rc"
    fi
    printf '%-12s %5s %4s %7s %8s %8s %7s %6s  %-8s %s\n' "$name" "$ins" "$outs" "$given" "$rows" "$literals" \
      "$secs" "$((kb / 1024))" "$sat" "$(recorded "$dir" "$name")"
  done
done
