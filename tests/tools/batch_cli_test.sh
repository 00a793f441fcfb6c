#!/usr/bin/env bash
# The tervo42-batch program from the outside: every input form, the output
# forms, exit statuses, refusals, save then load, and Ctrl+C.
# Usage: batch_cli_test.sh PATH-TO-tervo42-batch
# shellcheck source=cli_test_setup.sh
source "$(dirname "$0")/cli_test_setup.sh" "$1"

# As run, with stdin from the first argument.
run_stdin() {
  local input=$1
  shift
  printf '%s' "$input" | "$BATCH" "$@" >"$WORK/.out" 2>"$WORK/.err"
  RC=$?
  OUT=$(cat "$WORK/.out")
  ERR=$(cat "$WORK/.err")
}
ok() {
  passed=$((passed + 1))
}
bad() {
  failed=$((failed + 1))
  echo "FAIL: $1"
  echo "  exit status: $RC"
  echo "  stdout: $(printf '%s' "$OUT" | head -20)"
  echo "  stderr: $(printf '%s' "$ERR" | head -5)"
}
expect_rc() { if [ "$RC" -eq "$2" ]; then ok; else bad "$1: expected exit status $2"; fi; }
expect_out() { if [ "$OUT" = "$2" ]; then ok; else bad "$1: expected stdout <$2>"; fi; }
expect_out_has() { if grep -qF -- "$2" <<<"$OUT"; then ok; else bad "$1: stdout lacks <$2>"; fi; }
expect_err_has() { if grep -qF -- "$2" <<<"$ERR"; then ok; else bad "$1: stderr lacks <$2>"; fi; }
# The JSON is written by a library, so its layout may change: read it back.
expect_json() { if jq -e "$2" >/dev/null 2>&1 <<<"$OUT"; then ok; else bad "$1: JSON fails <$2>"; fi; }
# The output with the time of the reduction blanked, for comparing runs.
timeless() { sed -E 's/time = [0-9.]+ secs/time = T secs/; s/"seconds": [0-9.]+/"seconds": T/' <<<"$1"; }

# ---------------------------------------------------------------- formula argument
run 'A.B+/A.C'
expect_rc "formula" 0
expect_out "formula rows" "$(printf 'A.B.C\n1 1 x\n0 x 1\n%s' "$(tail -1 <<<"$OUT")")"
if grep -qE '^OK: time = [0-9]+(\.[0-9]{1,3})? secs$' <<<"$(tail -1 <<<"$OUT")"; then ok; else bad "formula: OK line"; fi

run --dnf 'A.B'
expect_rc "dnf" 0
expect_out "dnf rows" "$(printf 'A+B\nx 1\n1 x\n%s' "$(tail -1 <<<"$OUT")")"

run A . B + '/A.C'
expect_out_has "several words make one formula" "0 x 1"

run --no-reduce 'A.B'
expect_out "no reduce" "$(printf 'A.B\n1 1\nOK: time = 0 secs')"

run -- '-A'
expect_rc "formula after --" 1
expect_out "formula after --" "SYNTAX ERROR"

run -- '/A./B'
expect_out "formula starting with /" "$(printf 'A.B\n0 0\n%s' "$(tail -1 <<<"$OUT")")"

run 'A+/A'
expect_rc "tautology" 1
expect_out "tautology" "TAUTOLOGY"
run 'A./A'
expect_rc "inconsistent" 1
expect_out "inconsistent" "INCONSISTENT"
run '(A.B'
expect_out "priority error" "PRIORITY ERROR"

run "$(printf '/A+%.0s' $(seq 1 400))A"
expect_rc "1201 characters" 2
expect_err_has "1201 characters" "1201 non-blank characters"

# ---------------------------------------------------------------- formula from a file or standard input
printf 'A . B\n+ /A . C\n' >formula.txt
run -f formula.txt
expect_rc "formula file" 0
expect_out_has "formula file" "0 x 1"
run_stdin 'A.B+/A.C' -f -
expect_out_has "formula from -f -" "0 x 1"
run_stdin 'A.B
+/A.C'
expect_rc "formula from standard input" 0
expect_out_has "formula from standard input" "1 1 x"
run -f missing.txt
expect_rc "missing formula file" 2
expect_err_has "missing formula file" "missing.txt"

# ---------------------------------------------------------------- typed table
printf 'ABC\n11\n0 1\n 11\n' >table.txt
run --table table.txt
expect_rc "table" 0
expect_out "table rows" "$(printf 'A.B.C\n1 1 x\n0 x 1\n%s' "$(tail -1 <<<"$OUT")")"
printf 'ABA\n11\n' >dup.txt
run --table dup.txt
expect_rc "table with a duplicate letter" 1
expect_out "table with a duplicate letter" "DUPLICATE VARIABLES"
printf 'AB\n10\n1x\n' >badtable.txt
run --table badtable.txt
expect_rc "table with a bad character" 2
expect_err_has "table with a bad character" "badtable.txt:3:"
expect_out "table with a bad character prints no result" ""

# ---------------------------------------------------------------- PLA
cat >f.pla <<'EOF'
# A.B + /A.C
.i 3
.o 1
.ilb A B C
.p 4
110 1
111 1
001 1
011 1
.e
EOF
run --pla f.pla
expect_rc "pla" 0
expect_out "pla rows" "$(printf 'A.B.C\n1 1 x\n0 x 1\n%s' "$(tail -1 <<<"$OUT")")"

refuse_pla() {
  local what=$1 line=$2 words=$3 body=$4
  shift 4
  printf '%s\n' "$body" >refused.pla
  run --pla refused.pla "$@"
  expect_rc "pla refused: $what" 2
  expect_err_has "pla refused: $what" "refused.pla:$line: "
  expect_err_has "pla refused: $what" "$words"
  expect_out "pla refused: $what prints nothing" ""
}
# A formula file keeps one function as a typed table: what a table cannot
# hold is refused when the run is to be saved.
refuse_pla "two outputs" 2 "single output" $'.i 2\n.o 2\n11 10' --save kept
refuse_pla "don't-care row" 4 "don't-care" $'.i 2\n.o 1\n11 1\n1- -' --save kept
refuse_pla "OFF-set row" 3 "outside the ON-set" $'.i 2\n.o 1\n10 0' --save kept
if [ ! -e tervo42_kept ]; then ok; else bad "a refused save wrote a file"; fi
refuse_pla "bad character" 3 "input 2" $'.i 2\n.o 1\n1z 1'

# Several outputs, don't-cares, names and a constant output.
cat >add.pla <<'EOF2'
# a full adder with a don't-care, and an output that is never 1
.i 3
.o 3
.ilb a b cin
.ob sum carry never
.type fd
001 | 100
010 | 100
100 | 100
011 | 010
101 | 010
110 | 010
111 | 1-0
.e
EOF2
run --pla add.pla --per-output
expect_rc "multi-output pla" 0
expect_out "multi-output pla" "$(printf 'variables: A = a, B = b, C = cin\noutput 1: sum\nA.B.C\n0 0 1\n0 1 0\n1 0 0\n1 1 1\n%s\n\noutput 2: carry\nA.B.C\nx 1 1\n1 x 1\n1 1 x\n%s\n\noutput 3: never\nA.B.C\nOK: constant 0' "$(sed -n 8p <<<"$OUT")" "$(sed -n 15p <<<"$OUT")")"
run --pla add.pla --format pla
expect_rc "multi-output pla written as pla" 0
expect_out_has "names written back" ".ilb a b cin"
expect_out_has "names written back" ".ob sum carry never"
expect_out_has "cube of carry" "-11 010"
printf '%s\n' "$OUT" >add_result.pla
run --pla add_result.pla --format json
expect_json "written pla reads back" '[.outputs[].verified] == [true, true, true] and [.outputs[].terms | length] == [4, 3, 0]'
run --pla add.pla --pos --format json
expect_json "multi-output product of sums" '.form == "product of sums" and .outputs[2].constant == 0 and .outputs[2].terms == [{"value": 0, "mask": 0, "row": "x x x", "formula": "0"}] and .exit_status == 0'
printf '.i 2\n.o 1\n.type fr\n1- 1\n11 0\n' >conflict.pla
run --pla conflict.pla
expect_rc "row both 1 and 0" 2
expect_err_has "row both 1 and 0" "conflict.pla:5: inputs 11 are 1 for the output on line 4 and 0 on line 5"
printf '.i 2\n.o 1\n.phase 1\n' >phase.pla
run --pla phase.pla
expect_rc ".phase" 2
expect_err_has ".phase" "keyword .phase is not taken"
printf '.i 2\n.o 1\n-- 1\n' >one.pla
run --pla one.pla --format pla
expect_rc "a constant PLA function is a result" 0
expect_out_has "a constant PLA function is written" "-- 1"

# PLA output read back by the PLA reader gives the same rows (CNF and DNF).
for form in "" "--dnf"; do
  for f in 'A.B+/A.C' '(A-B).C+/D.E' 'A>B=C+D'; do
    run $form --format pla "$f"
    expect_rc "pla output of $f $form" 0
    printf '%s\n' "$OUT" >round.pla
    run $form "$f"
    direct=$(timeless "$OUT")
    run --pla round.pla --per-output
    expect_rc "pla read back: $f $form" 0
    if [ "$(timeless "$OUT")" = "$direct" ]; then ok; else bad "pla read back: $f $form gives other rows than <$direct>"; fi
  done
done
run --no-reduce --format pla 'A-B-C'
printf '%s\n' "$OUT" >unreduced.pla
run --pla unreduced.pla
expect_out_has "unreduced pla output is reduced when read back" "0 0 1"
run --format pla 'A+/A'
expect_rc "pla output of a tautology" 1
expect_out "pla output of a tautology is empty" ""
expect_err_has "pla output of a tautology" "TAUTOLOGY"

# ---------------------------------------------------------------- JSON
run --format json --dnf 'A.B'
expect_rc "json" 0
expect_out_has "json" '"mode": "DNF"'
expect_json "json variables" '.variables == ["A", "B"]'
# value, mask and row give the same literals: B appears as itself in the sum A+B.
expect_json "json term" '.terms[0] == {"value": 2, "mask": 2, "row": "x 1", "formula": "B"}'
expect_json "json form" '.form == "product of sums" and .outcome == "ok" and .exit_status == 0'
run --format json --sop 'A./B'
expect_json "json sum of products" '.form == "sum of products" and .mode == "CNF" and .terms == [{"value": 1, "mask": 3, "row": "1 0", "formula": "A./B"}]'
run --format json --pos 'A./B'
expect_json "json product of sums" '[.terms[].formula] == ["A", "/B"] and [.terms[].row] == ["1 x", "x 0"]'
expect_out_has "json" '"verified": true'
run --format json 'A.'
expect_rc "json of an error" 1
expect_out_has "json of an error" '"message": "SYNTAX ERROR"'
expect_out_has "json of an error" '"verified": null'

# ---------------------------------------------------------------- refused characters and checked writes
for f in 'A@B' '#A.B' 'A<B' "'A.B" 'A;B'; do
  run "$f"
  expect_rc "refused $f" 2
  expect_err_has "refused $f" "line 1, column "
  expect_out "refused $f prints nothing" ""
done
run 'A@B'
expect_err_has "refused @ is named" '"@" is not in the formula language'
run "(a & b)' | !c"
expect_rc "a formula in another notation" 0
for row in 'A.B.C' '0 x x' 'x 0 x' 'x x 0'; do expect_out_has "a formula in another notation" "$row"; done
run_stdin 'hello
world?'
expect_rc "refused from standard input" 2
expect_err_has "refused from standard input" 'line 2, column 6: "?"'
printf 'AB\n10\n' >digits.txt
run -f digits.txt
expect_rc "a table read as a formula" 2
expect_err_has "a table read as a formula" "--table"

"$BATCH" 'A.B' >/dev/full 2>"$WORK/.err"
RC=$? OUT= ERR=$(cat "$WORK/.err")
expect_rc "full disk" 2
expect_err_has "full disk" "No space left on device"
for form in text json pla; do
  (trap '' PIPE; sleep 0.3; exec "$BATCH" --format $form 'A.B+C') 2>"$WORK/.err" | true
  RC=${PIPESTATUS[0]} OUT= ERR=$(cat "$WORK/.err")
  expect_rc "closed pipe, SIGPIPE ignored, $form" 2
  expect_err_has "closed pipe, SIGPIPE ignored, $form" "Broken pipe"
done

run --sop 'A.B'
expect_out_has "--sop is the default form" "A.B"
run --pos 'A.B'
expect_out_has "--pos is the DNF" "A+B"
run --sop --pos 'A'
expect_rc "--sop with --pos" 2

# ---------------------------------------------------------------- trace
run --trace 'A.B+/A.C'
expect_out_has "trace" "TT code 14 i 1 j 2: virtual: x 1 1"
run --trace --format json 'A.B+/A.C'
expect_err_has "trace beside json goes to stderr" "VT code 13 k 1: no action"

# ---------------------------------------------------------------- save and load
mkdir saves
run --save saves/abc 'A.B+/A.C'
expect_rc "save" 0
if [ -f saves/tervo42_abc ] && [ "$(stat -c %s saves/tervo42_abc)" -eq $((2736 + 4 * 2)) ]; then ok; else bad "save writes tervo42_abc of 2744 bytes"; fi
saved=$(timeless "$OUT")
run --load saves/abc
expect_rc "load" 0
if [ "$(timeless "$OUT")" = "$saved" ]; then ok; else bad "load gives the saved result <$saved>"; fi
run --load saves/tervo42_abc
expect_rc "load by the full name" 0

run --save saves/tervo42_d --dnf --no-reduce 'A.B'
run --load saves/d
expect_out "load keeps DNF and no reduction" "$(printf 'A+B\n1 1\n0 1\n1 0\nOK: time = 0 secs')"

run --save saves/t --table table.txt
run --load saves/t
expect_out_has "load of a table" "0 x 1"
run --save saves/p --pla f.pla
run --load saves/p
expect_out_has "load of a saved PLA" "0 x 1"

run --save saves/bad 'A.'
expect_rc "save after a syntax error keeps the formula" 1
run --load saves/bad
expect_out "loaded formula with a syntax error" "SYNTAX ERROR"

run --save saves/abc.txt 'A'
expect_rc "save with an extension" 2
expect_err_has "save with an extension" "NO EXTENSION ALLOWED IN FILE NAME"
expect_out "save with an extension runs nothing" ""
if [ ! -e saves/tervo42_abc.txt ] && [ ! -e saves/abc.txt ]; then ok; else bad "save with an extension wrote a file"; fi

run --save nowhere/abc 'A'
expect_rc "save into a missing folder" 2
expect_err_has "save into a missing folder" "FILE I/O ERROR"
mkdir -p saves/tervo42_dir
run --save saves/dir 'A'
expect_rc "save over a folder" 2
expect_err_has "save over a folder" "FILE I/O ERROR"

run --load saves/none
expect_rc "load of a missing file" 2
expect_err_has "load of a missing file" "FILE NOT FOUND"
head -c 100 saves/tervo42_abc >saves/tervo42_short
run --load saves/short
expect_rc "load of a short file" 2
expect_err_has "load of a short file" "FILE I/O ERROR"
printf 'not a formula file' >saves/tervo42_text
run --load saves/text
expect_err_has "load of a foreign file" "WRONG FILE TYPE"
# A "#" in formula row 1, column 5: the editor would not take it, and GO would pass over it.
cp saves/tervo42_abc saves/tervo42_hash
printf '#' | dd of=saves/tervo42_hash bs=1 seek=16 conv=notrunc 2>/dev/null
run --load saves/hash
expect_rc "load of a grid with a refused byte" 2
expect_err_has "load of a grid with a refused byte" 'WRONG FILE TYPE: formula row 1, column 5 holds "#"'
expect_out "load of a grid with a refused byte runs nothing" ""

# ---------------------------------------------------------------- usage
run --help
expect_rc "help" 0
expect_out_has "help" "Exit status"
expect_out_has "help" "--pla"
# The man page is made from --help by help2man, which takes an indented line
# that starts with an option as an item (its text after two blanks), and a
# blank line as the end of a paragraph.
if grep -qE '^ {2}--?[a-z][^ ]*( [A-Z]+)? [a-z]+ [a-z]' <<<"$OUT"; then bad "help: a paragraph starts with an option"; else ok; fi
if [ "$(grep -cE '^  (0|1|2|3|130) {2,}[a-z]' <<<"$OUT")" -eq 5 ]; then ok; else bad "help: each exit status an item"; fi
if grep -B1 '^Writing:' <<<"$OUT" | head -1 | grep -q '^$'; then ok; else bad "help: a blank line after the json item"; fi
run 'A' --table table.txt
expect_rc "two inputs" 2
run --format xml 'A'
expect_rc "unknown format" 2
run --frobnicate 'A'
expect_rc "unknown option" 2
run --dnf --table table.txt
expect_rc "dnf with a table" 2
run --no-reduce --load saves/abc
expect_rc "no-reduce with load" 2

# ---------------------------------------------------------------- Ctrl+C
# Run the program in the background and send it Ctrl+C after half a second:
# RC and OUT as run sets them, ERR empty.
run_interrupted() {
  set -m
  "$BATCH" "$@" >"$WORK/.out" 2>/dev/null </dev/null &
  local pid=$!
  sleep 0.5
  kill -INT "$pid" 2>/dev/null
  wait "$pid"
  RC=$?
  set +m
  OUT=$(cat "$WORK/.out")
  ERR=
}

# With the trace on the run stops at every comparison, so an interrupt is
# answered at once, however fast the reduction itself.
awk 'BEGIN { srand(3); print ".i 10"; print ".o 1";
  for (a = 0; a < 1024; a++) if (rand() < 0.5) { s = ""; x = a;
    for (c = 0; c < 10; c++) { s = s (x % 2); x = int(x / 2) } print s " 1" } }' >slow.pla
run_interrupted --trace --format json --pla slow.pla
expect_rc "Ctrl+C" 130
expect_out_has "Ctrl+C" '"message": "process terminated"'
expect_json "Ctrl+C outcome" '.outcome == "interrupted" and .exit_status == 130 and .outputs[0].error_code == null'

# Ctrl+C in the first of several outputs ends them all.
awk 'BEGIN { srand(5); print ".i 10"; print ".o 4";
  for (a = 0; a < 1024; a++) { s = ""; x = a;
    for (c = 0; c < 10; c++) { s = s (x % 2); x = int(x / 2) }
    o = ""; for (k = 0; k < 4; k++) o = o (rand() < 0.5 ? "1" : "0"); print s " " o } }' >slow4.pla
run_interrupted --trace --pla slow4.pla
expect_rc "Ctrl+C with several outputs" 130
if [ "$(grep -c '^output ' <<<"$OUT")" -eq 1 ]; then ok; else bad "Ctrl+C: the outputs after the first did not run"; fi
expect_out_has "Ctrl+C with several outputs" "process terminated"

# A minimal cover of each PLA output may use the file's don't-cares: f is
# 1 on 000, 001, 111 with 011 free, so 00- and -11 (two terms) suffice.
cat >dc.pla <<'PLA'
.i 3
.o 2
.ob f g
.type fd
000 1-
001 1-
011 -1
111 11
010 01
.e
PLA
run --pla dc.pla --per-output --minimal --format pla
expect_rc "minimal PLA with don't-cares" 0
expect_out_has "minimal PLA with don't-cares" "# output 1: minimal cover, minimum"
expect_out_has "minimal PLA with don't-cares" ".p 3"
expect_out_has "minimal PLA with don't-cares" "-11 11"
run --pla dc.pla --per-output --minimal --format json
expect_json "minimal PLA JSON" '.outputs | map(.minimum) == [true, true]'

# A title before .i and comments after rows, as files in the wild have them.
printf 'test2\n.i 3\n.o 1\n.type fr\n.p 2\n11- 1  # on\n0-- 0  # off\n.e\n' >titled.pla
run --pla titled.pla --format pla
expect_rc "a PLA file with a title and row comments" 0
expect_out_has "a PLA file with a title and row comments" "1-- 1"

# ---------------------------------------------------------------- words, streams and names
# A formula word too long for a file name is still a formula.
run "$(printf 'A.%.0s' $(seq 128))B"
expect_rc "formula word longer than a file name" 0
expect_out_has "formula word longer than a file name" "OK: "
# A word that names a file is refused with the option that reads it.
printf '.i 2\n.o 1\n11 1\n.e\n' >word.pla
run word.pla
expect_rc "a .pla file as a formula word" 2
expect_err_has "a .pla file as a formula word" "read it with --pla word.pla"
run '(word.pla)'
expect_rc "in parentheses the word is a formula" 0
printf 'A.B' >wordfile
run wordfile
expect_err_has "a file as a formula word" "-f wordfile"
run_stdin "$(cat word.pla)"
expect_rc "a PLA file on standard input" 2
expect_err_has "a PLA file on standard input" "--pla - for standard input"
run --minimal 5 'A.B'
expect_rc "--minimal with a blank before its seconds" 2
expect_err_has "--minimal with a blank before its seconds" "--minimal=5"
for flag in --help --version; do
  "$BATCH" $flag >/dev/full 2>"$WORK/.err"
  RC=$? OUT= ERR=$(cat "$WORK/.err")
  expect_rc "$flag to a full disk" 2
  expect_err_has "$flag to a full disk" "No space left on device"
done
# The trace carries results: a trace that cannot be written fails the run.
"$BATCH" --format json --trace 'A.B+/A.C' >"$WORK/.out" 2>/dev/full
RC=$?
expect_rc "trace to a full standard error" 2
OUT=$(cat "$WORK/.out")
expect_json "trace to a full standard error: the JSON says so" '.outcome == "error" and .error == "output" and .exit_status == 2 and .verified == true'
"$BATCH" --trace 'A.B+/A.C' >/dev/full 2>"$WORK/.err"
RC=$? OUT= ERR=$(cat "$WORK/.err")
expect_rc "trace to a full standard output" 2
expect_err_has "trace to a full standard output" "No space left on device"
# Names that are not UTF-8 reach the JSON as U+FFFD; the run is written whole.
printf '.i 2\n.o 1\n.ilb a\377b c\n.ob o\376\n11 1\n.e\n' >latin.pla
run --pla latin.pla --format json
expect_rc "JSON of names that are not UTF-8" 0
expect_json "JSON of names that are not UTF-8" '.names == ["a\ufffdb", "c"] and .outputs[0].name == "o\ufffd"'
printf '.i 2\n.o 1\n1\0 1\n.e\n' >nul.pla
run --pla nul.pla
expect_rc "a NUL byte in a row" 2
expect_err_has "a NUL byte in a row" "nul.pla:3: column 2 is byte 0x00"
# The shared cover, the default for PLA files: one term serves every output
# that needs it, and the don't-cares of .type fr and fdr are free either way.
run --pla add.pla
expect_rc "shared pla" 0
expect_out_has "shared pla: one message for the file" "terms, minimum"
run --pla add.pla --format json
expect_json "shared pla json" '.cover == "shared" and .rows == 7 and .minimum == true and [.outputs[].verified] == [true, true, true] and .outputs[2].constant == 0'
run --pla dc.pla --format pla
expect_out_has "shared pla with don't-cares" "# one cover shared by all outputs: rows where they are 1, 3 terms, minimum"
expect_out_has "shared pla with don't-cares" "-11 11"
printf '%s\n' "$OUT" >shared_result.pla
run --pla shared_result.pla --per-output --format json
expect_json "shared cover read back" '[.outputs[].verified] == [true, true]'
printf '.i 2\n.o 2\n.type fr\n00 11\n01 1~\n11 01\n10 00\n' >fr.pla
run --pla fr.pla --format pla
expect_out_has ".type fr: the unlisted row is a don't-care" ".p 2"
expect_out_has ".type fr: shared term" "0- 11"
sed 's/fr$/f/' fr.pla >typef.pla
run --pla typef.pla --format pla
expect_out_has ".type f: the unlisted row is 0" ".p 3"
printf '.i 2\n.o 2\n.type fdr\n00 11\n01 1~\n11 01\n10 0-\n' >fdr.pla
run --pla fdr.pla --format json
expect_json ".type fdr" '.rows == 2 and .minimum == true and .exit_status == 0'
run --pla fdr.pla --pos --format pla
expect_rc ".type fdr as a product of sums" 0
expect_out_has ".type fdr as a product of sums" ".type r"
run --per-output 'A.B'
expect_rc "--per-output without --pla" 2
expect_err_has "--per-output without --pla" "--per-output applies to --pla only"

# ---------------------------------------------------------------- JSON on every outcome
# With --format json a failure is one JSON object on standard output, its
# outcome and exit status those of the process.
json_failure() {
  local what=$1 status=$2 filter=$3
  shift 3
  run --format json "$@"
  expect_rc "json failure: $what" "$status"
  if [ "$(jq -s length <<<"$OUT" 2>/dev/null)" = 1 ]; then ok; else bad "json failure: $what: not one JSON object"; fi
  expect_json "json failure: $what" ".outcome == \"error\" and .exit_status == $status and ($filter)"
}
printf '.i 2\n.o 1\n1 | z 1\n' >badrow.pla
json_failure "unknown option" 2 '.error == "usage" and .file == null and (.message | test("--frobnicate"))' --frobnicate A
json_failure "two inputs" 2 '.error == "usage"' A --table table.txt
json_failure "a bad --minimal value" 2 '.error == "usage"' --minimal=abc A
# An option without its value stops the parser before it takes --format in.
json_failure "an option without its value" 2 '.error == "usage"' --table
json_failure "missing formula file" 2 '.error == "file" and .file == "missing.txt" and .message == "No such file or directory" and .line == null' -f missing.txt
json_failure "missing PLA file" 2 '.error == "file" and .file == "missing.pla"' --pla missing.pla
json_failure "bad PLA row" 2 '.error == "input" and .file == "badrow.pla" and .line == 3 and .column == 5 and (.message | test("input 2"))' --pla badrow.pla
json_failure "bad table line" 2 '.error == "input" and .file == "badtable.txt" and .line == 3 and .column == 2' --table badtable.txt
printf 'A.B\n+!C\n' >badformula.txt
json_failure "bad formula file" 2 '.error == "input" and .file == "badformula.txt" and .line == 2 and .column == 2' -f badformula.txt
json_failure "bad formula character" 2 '.error == "input" and .file == null and .line == 1 and .column == 2' 'A|B'
json_failure "load of a missing file" 2 '.error == "file" and .message == "FILE NOT FOUND"' --load saves/none
json_failure "load of a short file" 2 '.message == "FILE I/O ERROR: the file ends early" and .file == "saves/tervo42_short"' --load saves/short
json_failure "load of a folder" 2 '.message == "FILE I/O ERROR: Is a directory"' --load saves/dir
json_failure "save with an extension" 2 '.error == "save" and .message == "NO EXTENSION ALLOWED IN FILE NAME"' --save saves/abc.txt A
json_failure "save into a missing folder" 2 '.error == "save" and .message == "FILE I/O ERROR: No such file or directory" and .file == "nowhere/tervo42_abc" and (.run_message | startswith("OK: ")) and .verified == true and (.terms | length) == 1' --save nowhere/abc A
json_failure "save over a folder" 2 '.message == "FILE I/O ERROR: Is a directory"' --save saves/dir A
json_failure "PLA save into a missing folder" 2 '.error == "save" and .input == "pla" and (.outputs | length) == 1' --save nowhere/p --pla f.pla
expect_err_has "a save failure names its cause" "nowhere/tervo42_p: FILE I/O ERROR: No such file or directory"
run --save nowhere/abc A
expect_err_has "save failure cause in text" "FILE I/O ERROR: No such file or directory"
run --load saves/short
expect_err_has "load failure cause in text" "saves/tervo42_short: FILE I/O ERROR: the file ends early"

# A full and a read-only file system (a small tmpfs, where mounting one is
# allowed): the save fails with its cause and leaves nothing behind.
mkdir fs
if mount -t tmpfs -o size=16k tmpfs fs 2>/dev/null; then
  trap 'umount "$WORK/fs" 2>/dev/null; rm -rf "$WORK"' EXIT
  head -c 1M /dev/zero >fs/fill 2>/dev/null
  json_failure "save into a full file system" 2 '.error == "save" and .message == "FILE I/O ERROR: No space left on device" and .file == "fs/tervo42_abc"' --save fs/abc 'A.B+C'
  if [ "$(ls -A fs)" = fill ]; then ok; else bad "a save into a full file system left <$(ls -A fs)>"; fi
  umount fs
  mount -t tmpfs -o ro,size=16k tmpfs fs
  run --save fs/abc 'A.B+C'
  expect_rc "save into a read-only file system" 2
  expect_err_has "save into a read-only file system" "fs/tervo42_abc: FILE I/O ERROR: Read-only file system"
  expect_out_has "the result is written all the same" "x x 1"
  umount fs
else
  echo "skipped: no tmpfs can be mounted here for the full and read-only file systems"
fi

# The save comes before the result: a reader that quits at once costs no
# file, and the program then ends by SIGPIPE.
(sleep 0.3; exec "$BATCH" --save saves/piped 'A.B+C') 2>/dev/null | true
RC=${PIPESTATUS[0]} OUT= ERR=
# 141 by SIGPIPE, or 2 where the test runs with SIGPIPE ignored.
if [ "$RC" -eq 141 ] || [ "$RC" -eq 2 ]; then ok; else bad "closed pipe after the save: exit status"; fi
if [ -f saves/tervo42_piped ]; then ok; else bad "a closed pipe cost the saved file"; fi

# A UTF-8 byte-order mark at the start of any text input is no character.
bom=$'\xEF\xBB\xBF'
printf '%s.i 2\n.o 1\n11 1\n' "$bom" >bom.pla
printf '%sA.B\n' "$bom" >bom.txt
printf '%sAB\n11\n' "$bom" >bomtable.txt
for args in "--pla bom.pla" "-f bom.txt" "--table bomtable.txt"; do
  run $args
  expect_rc "byte-order mark: $args" 0
  expect_out_has "byte-order mark: $args" "1 1"
done
run_stdin "${bom}A.B"
expect_rc "byte-order mark on standard input" 0

# Too little memory: a plain sentence and exit status 2, as JSON too. Where
# the program cannot start at all under the limit (a sanitized build), the
# check is skipped.
if (ulimit -v 60000; "$BATCH" A >/dev/null 2>&1); then
  OUT=$( (ulimit -v 60000; head -c 40M /dev/zero | "$BATCH" --format json -f -) 2>"$WORK/.err")
  RC=$? ERR=$(cat "$WORK/.err")
  expect_rc "out of memory" 2
  expect_err_has "out of memory" "tervo42-batch: there is not enough memory to finish the run"
  expect_json "out of memory" '.outcome == "error" and .error == "memory" and .exit_status == 2'
else
  echo "skipped: the program does not start under a 60 MB limit"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
