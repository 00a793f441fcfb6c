#!/usr/bin/env bash
# tervo42-batch --pla on files of any width from the outside: a 40-input
# file end to end (a checked cover in every form), Ctrl+C during a long run,
# a two-cube file of 15 inputs kept off the 3^n table, and bad wide input
# refused with its line and column.
# Usage: batch_wide_cli_test.sh PATH-TO-tervo42-batch [PATH-TO-pla_check.py]
# shellcheck source=cli_test_setup.sh
source "$(dirname "$0")/cli_test_setup.sh" "$1"
CHECKER=${2:-}

check() {  # name, condition
  if eval "$2"; then passed=$((passed + 1)); else
    failed=$((failed + 1))
    echo "FAIL: $1 (exit status $RC)"
    echo "  stdout: $(head -5 <<<"$OUT")"
    echo "  stderr: $(head -3 <<<"$ERR")"
  fi
}

# 40 inputs, 3 outputs: a few windows of inputs, each cube split in two.
awk 'BEGIN { srand(40); print ".i 40\n.o 3\n.type fd"
  for (t = 0; t < 24; t++) {
    s = ""; for (c = 0; c < 40; c++) s = s "-"
    for (l = 0; l < 6; l++) { c = int(rand() * 39) + 1; s = substr(s, 1, c - 1) (rand() < 0.5 ? "0" : "1") substr(s, c + 1) }
    o = ""; for (k = 0; k < 3; k++) o = o (rand() < 0.4 ? "1" : "0"); if (o == "000") o = "100"
    print "0" substr(s, 2) " " o; print "1" substr(s, 2) " " o } }' >w40.pla

for form in text pla json; do
  run --pla w40.pla --format "$form"
  check "w40 $form" '[ $RC -eq 0 ]'
  case $form in
    text) check "w40 text" 'grep -qE "^OK: time = [0-9.]+ secs, [0-9]+ terms" <<<"$OUT"' ;;
    json) check "w40 json terms are text" 'jq -e "([.terms[].inputs | length == 40] | all) and (.outputs[0].terms[0] | type == \"string\")" <<<"$OUT" >/dev/null' ;;
    pla)
      printf '%s\n' "$OUT" >w40_cover.pla
      run --pla w40_cover.pla --format json
      check "w40 cover reads back" '[ $RC -eq 0 ]'
      if [ -f "$CHECKER" ] && command -v cadical >/dev/null; then
        python3 "$CHECKER" w40.pla w40_cover.pla >/dev/null
        RC=$?
        check "w40 cover passes the SAT check" '[ $RC -eq 0 ]'
      fi ;;
  esac
done

# Ctrl+C during a long run: the best checked cover so far, exit status
# 130 (or the whole result when it was quicker than the interrupt).
awk 'BEGIN { srand(64); print ".i 64\n.o 16\n.type fd"
  for (t = 0; t < 700; t++) {
    s = ""; for (c = 0; c < 64; c++) s = s "-"
    w = int(rand() * 44); for (l = 0; l < 3 + int(rand() * 6); l++) { c = w + int(rand() * 20) + 1; s = substr(s, 1, c - 1) (rand() < 0.5 ? "0" : "1") substr(s, c + 1) }
    o = ""; for (k = 0; k < 16; k++) o = o (rand() < 0.15 ? "1" : "0")
    print s " " o } }' >big.pla
set -m
"$BATCH" --pla big.pla --format pla >big.out 2>big.err </dev/null &
pid=$!
sleep 1
kill -INT "$pid" 2>/dev/null
# An answer within 10 s; a run that goes on is ended and counts as a fault.
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
  kill -KILL "$pid" 2>/dev/null
  wait "$pid"
  RC=-1
else
  wait "$pid"
  RC=$?
fi
set +m
OUT=$(cat big.out)
ERR=$(cat big.err)
case $RC in
  130) check "interrupted: best cover written" 'grep -q "^# one cover shared by all outputs" <<<"$OUT" && grep -q "stopped: best cover so far" <<<"$ERR"'
       printf '%s\n' "$OUT" >big_cover.pla
       # Read back only: no time for a search of its own (a sanitized
       # build would take minutes over it).
       run --pla big_cover.pla --format json --minimal=0
       check "interrupted: the cover reads back" '[ $RC -eq 0 ]' ;;
  -1) check "Ctrl+C answered within 10 s" false ;;
  *) check "interrupted: ended by itself" '[ $RC -eq 0 ]' ;;
esac

# Two cubes over 15 inputs: a cube list, not the 3^15 table.
printf '.i 15\n.o 1\n1-------------- 1\n-1------------- 1\n' >two.pla
run --pla two.pla --format pla
check "two cubes of 15 inputs" '[ $RC -eq 0 ] && [ "$(grep -c "^[01-]\{15\} 1$" <<<"$OUT")" -eq 2 ]'

# Bad wide input: refused with line and column, nothing written.
refuse() {  # name, where, words, file text, options...
  local what=$1 where=$2 words=$3
  printf '%s\n' "$4" >bad.pla
  shift 4
  run --pla bad.pla "$@"
  local at="bad.pla:$where: "
  [ -z "$where" ] && at="bad.pla: "
  check "refused: $what" '[ $RC -eq 2 ] && grep -qF "$at" <<<"$ERR" && grep -qF -e "$words" <<<"$ERR" && [ -z "$OUT" ]'
}
ROW39=$(printf '1%.0s' {1..39})
refuse "a row one input short" 4 "the row has 40 characters; .i 40 and .o 1 need 41 (its inputs are 39 characters)" \
  $'.i 40\n.o 1\n'"${ROW39}1 1"$'\n'"$ROW39 1"
refuse "10,000 inputs with narrow rows" 3 ".i 10000 and .o 1 need 10001" $'.i 10000\n.o 1\n1010 1'
refuse "a character out of place" 3 'input 26 is "z"' $'.i 30\n.o 1\n'"$(printf '%025d' 0)z0000 1"
refuse "a number of inputs beyond memory" 1 "a row of that many inputs is more than" $'.i 999999999999\n.o 1'
refuse "--per-output on a wide file" "" "--per-output runs the engine's table, which holds at most 15 inputs" \
  $'.i 16\n.o 1\n'"$(printf '%016d' 0) 1" --per-output

# A file whose rows would not fit in the memory allowed (half the address
# space the process may have): refused before they are stored.
# Where the program cannot start at all under the limit (a sanitized
# build), the check is skipped.
if (ulimit -v 300000; "$BATCH" A >/dev/null 2>&1); then
  { printf '.i 1\n.o 1\n'; yes '0 1' | head -n 5000000; } >many.pla
  OUT=$( (ulimit -v 300000; "$BATCH" --pla many.pla 2>"$WORK/.err" </dev/null) )
  RC=$?
  ERR=$(cat "$WORK/.err")
  check "refused: rows beyond the memory allowed" '[ $RC -eq 2 ] && grep -qE "many.pla:3: the rows need about [0-9]+ MB of memory \(up to 6666667 rows of 1 input\); [0-9]+ MB are allowed" <<<"$ERR" && [ -z "$OUT" ]'
else
  echo "skipped: the program does not start under a 300 MB limit"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
