#!/usr/bin/env bash
# tervo42-batch --minimal from the outside: the outcome in each output form,
# a PLA input, and the refusals.
# Usage: batch_minimal_cli_test.sh PATH-TO-tervo42-batch
# shellcheck source=cli_test_setup.sh
source "$(dirname "$0")/cli_test_setup.sh" "$1"

check() {  # name, condition
  if eval "$2"; then passed=$((passed + 1)); else
    failed=$((failed + 1))
    echo "FAIL: $1 (exit status $RC)"
    echo "  stdout: $(head -5 <<<"$OUT")"
    echo "  stderr: $(head -3 <<<"$ERR")"
  fi
}

CYCLE='A./B+B./C+C./D+D./E+E./F+F./A'

run --minimal "$CYCLE"
check "text" '[ $RC -eq 0 ] && [ $(wc -l <<<"$OUT") -eq 8 ] && grep -qE "^OK: time = [0-9.]+ secs, minimum$" <<<"$OUT"'
run --minimal=2.5 --dnf "$CYCLE"
check "seconds given, DNF" '[ $RC -eq 0 ] && [ $(wc -l <<<"$OUT") -eq 4 ] && grep -q ", minimum$" <<<"$OUT"'
run --minimal --format pla "$CYCLE"
check "pla comment" '[ $RC -eq 0 ] && [ "$(head -1 <<<"$OUT")" = "# minimal cover, minimum" ] && grep -q "^\.p 6$" <<<"$OUT"'
run --minimal --format json "$CYCLE"
check "json" '[ $RC -eq 0 ] && grep -q "\"minimum\": true," <<<"$OUT" && grep -q "\"lower_bound\": 6," <<<"$OUT"'
run --format json "$CYCLE"
check "json without" '[ $RC -eq 0 ] && ! grep -q "\"minimum\"" <<<"$OUT" && ! grep -q "lower_bound" <<<"$OUT"'
run "$CYCLE"
check "reduction unchanged" '[ $RC -eq 0 ] && grep -qE "^OK: time = [0-9.]+ secs$" <<<"$OUT"'

# a PLA input: the carry of a 3-bit adder with carry in, one row per ON assignment
awk 'BEGIN { print ".i 7"; print ".o 1";
  for (r = 0; r < 128; r++) { a = r % 8; b = int(r / 8) % 8; c = int(r / 64);
    if (a + b + c >= 8) { s = ""; x = r; for (i = 0; i < 7; i++) { s = s (x % 2); x = int(x / 2) } print s " 1" } }
  print ".e" }' >carry.pla
run --minimal --per-output --pla carry.pla --format pla
check "pla input, each output's cover" '[ $RC -eq 0 ] && grep -q "^# output 1: minimal cover, minimum$" <<<"$OUT" && grep -q "^\.p 15$" <<<"$OUT"'

for bad in "--minimal=abc" "--minimal=-1" "--minimal=1e9" "--minimal=2x"; do
  run "$bad" A.B
  check "refused $bad" '[ $RC -eq 2 ] && grep -q "takes a number of seconds" <<<"$ERR" && [ -z "$OUT" ]'
done
run --minimal --no-reduce A.B
check "with --no-reduce" '[ $RC -eq 2 ] && grep -q "does not combine with --no-reduce" <<<"$ERR"'
run --minimal --trace A.B
check "with --trace" '[ $RC -eq 2 ] && grep -q "does not combine with --trace" <<<"$ERR"'

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
