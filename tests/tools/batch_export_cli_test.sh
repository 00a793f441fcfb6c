#!/usr/bin/env bash
# tervo42-batch's export formats from the outside, each read by its own
# tool: the Verilog simulated by iverilog and the VHDL by ghdl on every
# assignment through a testbench written here, compared with the function
# worked out here; the LaTeX passed by lacheck; the CSV compared line by
# line. A formula, a constant, and a PLA file of two named outputs (a full
# adder), shared and per output. The tools are installed by
# scripts/install-deps.sh; a missing one fails.
# Usage: batch_export_cli_test.sh PATH-TO-tervo42-batch
# shellcheck source=cli_test_setup.sh
source "$(dirname "$0")/cli_test_setup.sh" "$1"

ok() { passed=$((passed + 1)); }
bad() {
  failed=$((failed + 1))
  echo "FAIL: $1"
  echo "  exit status: $RC"
  echo "  stdout: $(printf '%s' "$OUT" | head -30)"
  echo "  stderr: $(printf '%s' "$ERR" | head -5)"
}
expect_rc() { if [ "$RC" -eq "$2" ]; then ok; else bad "$1: expected exit status $2"; fi; }
expect_out_has() { if grep -qF -- "$2" <<<"$OUT"; then ok; else bad "$1: stdout lacks <$2>"; fi; }
expect_err_has() { if grep -qF -- "$2" <<<"$ERR"; then ok; else bad "$1: stderr lacks <$2>"; fi; }

for tool in iverilog vvp ghdl lacheck; do
  if command -v "$tool" >/dev/null; then ok; else bad "$tool is missing: scripts/install-deps.sh installs it"; fi
done

# The full adder: inputs a[0], in, carry-in (names no hardware language
# takes as they stand); outputs sum and out.
cat >adder.pla <<'EOF'
.i 3
.o 2
.ilb a[0] in carry-in
.ob sum out
.type f
001 10
010 10
100 10
111 11
011 01
101 01
110 01
.e
EOF
# What output k of the adder is on assignment i (bit c = input column c).
adder() {
  local i=$1 k=$2 ones=$(((i & 1) + (i >> 1 & 1) + (i >> 2 & 1)))
  if [ "$k" -eq 0 ]; then echo $((ones % 2)); else echo $((ones >= 2 ? 1 : 0)); fi
}
# A.B+/C for the formula runs: variables A B C.
formula() { local i=$1; echo $(((i & 1) && (i >> 1 & 1) || !(i >> 2 & 1) ? 1 : 0)); }

# expected N FUNCTION OUTPUTS: "row i bits" for every assignment.
expected() {
  local n=$1 fn=$2 outputs=$3 i k bits
  for ((i = 0; i < (1 << n); i++)); do
    bits=
    for ((k = 0; k < outputs; k++)); do bits+=$("$fn" "$i" "$k"); done
    echo "row $i $bits"
  done
}

# simulate_verilog FILE MODULE N "IN..." "OUT...": "row i bits" lines.
simulate_verilog() {
  local file=$1 module=$2 n=$3 ins=($4) outs=($5) v k ports= fmt= args=
  for v in "${!ins[@]}"; do ports+=".${ins[$v]}(a[$v]), "; done
  for k in "${!outs[@]}"; do
    ports+=".${outs[$k]}(o$k)"
    [ "$k" -lt $((${#outs[@]} - 1)) ] && ports+=", "
    fmt+="%b"
    args+=", o$k"
  done
  {
    echo "module tb;"
    echo "  reg [$((n - 1)):0] a;"
    for k in "${!outs[@]}"; do echo "  wire o$k;"; done
    echo "  $module dut($ports);"
    echo "  integer i;"
    echo "  initial begin"
    echo "    for (i = 0; i < $((1 << n)); i = i + 1) begin"
    echo "      a = i; #1; \$display(\"row %0d $fmt\", i$args);"
    echo "    end"
    echo "  end"
    echo "endmodule"
  } >tb.v
  iverilog -g2005 -o sim "$file" tb.v && vvp -n sim | grep '^row '
}

# simulate_vhdl FILE ENTITY N "IN..." "OUT...": "row i bits" lines.
simulate_vhdl() {
  local file=$1 entity=$2 n=$3 ins=($4) outs=($5) v k ports= image=
  for v in "${!ins[@]}"; do ports+="${ins[$v]} => a($v), "; done
  for k in "${!outs[@]}"; do
    ports+="${outs[$k]} => o$k"
    [ "$k" -lt $((${#outs[@]} - 1)) ] && ports+=", "
    image+=" & std_logic'image(o$k)"
  done
  {
    echo "library ieee; use ieee.std_logic_1164.all; use ieee.numeric_std.all;"
    echo "entity tb is end entity tb;"
    echo "architecture sim of tb is"
    echo "  signal a : std_logic_vector($((n - 1)) downto 0);"
    for k in "${!outs[@]}"; do echo "  signal o$k : std_logic;"; done
    echo "begin"
    echo "  dut: entity work.$entity port map ($ports);"
    echo "  process begin"
    echo "    for i in 0 to $(((1 << n) - 1)) loop"
    echo "      a <= std_logic_vector(to_unsigned(i, $n)); wait for 1 ns;"
    echo "      report \"row \" & integer'image(i) & \" \"$image;"
    echo "    end loop;"
    echo "    wait;"
    echo "  end process;"
    echo "end architecture sim;"
  } >tb.vhd
  rm -f work-obj*.cf
  ghdl -a "$file" tb.vhd && ghdl -e tb && ghdl -r tb 2>&1 | sed -n "s/.*(report note): //p" | tr -d "'"
}

check_sim() {  # NAME ACTUAL EXPECTED
  if [ "$2" = "$3" ]; then ok; else bad "$1: simulation differs: $(diff <(echo "$3") <(echo "$2") | head -5)"; fi
}

# ---------------------------------------------------------------- a formula

run --format verilog 'A.B+/C'
expect_rc "formula verilog" 0
printf '%s\n' "$OUT" >f.v
check_sim "formula verilog" "$(simulate_verilog f.v tervo42 3 "A B C" "f")" "$(expected 3 formula 1)"

run --format vhdl --dnf 'A.B+/C'
expect_rc "formula vhdl, product of sums" 0
expect_out_has "formula vhdl, product of sums" "-- f: product of sums"
printf '%s\n' "$OUT" >f.vhd
check_sim "formula vhdl" "$(simulate_vhdl f.vhd tervo42 3 "A B C" "f")" "$(expected 3 formula 1)"

run --format csv 'A.B+/C'
want="A,B,C,f,f_result"
for ((i = 0; i < 8; i++)); do
  v=$(formula $i)
  want+=$'\n'"$((i & 1)),$((i >> 1 & 1)),$((i >> 2 & 1)),$v,$v"
done
if [ "$(tr -d '\r' <<<"$OUT")" = "$want" ]; then ok; else bad "formula csv"; fi

printf 'A.B+/C\n' >and_or.txt
run --format latex -f and_or.txt
expect_rc "formula latex" 0
expect_out_has "formula latex" '\noindent Formula: \texttt{A.B+/C}'
printf '%s\n' "$OUT" >f.tex
lint=$(lacheck f.tex)
if [ -z "$lint" ]; then ok; else bad "formula latex: lacheck says $lint"; fi

run --format verilog -f and_or.txt
expect_out_has "the module is named after the file" "module and_or ("

# ---------------------------------------------------------------- constants and refusals

run --format vhdl 'A+/A'
expect_rc "tautology" 1
expect_err_has "tautology" "TAUTOLOGY"
expect_out_has "tautology" "  f <= '1';"

run --format verilog 'A./A'
expect_rc "inconsistent" 1
expect_out_has "inconsistent" "  assign f = 1'b0;"

run --format verilog 'A.(B+'
expect_rc "syntax error writes nothing" 1
if [ -z "$OUT" ]; then ok; else bad "syntax error writes nothing"; fi

run --format pdf 'A.B'
expect_rc "unknown format" 2

run --help
expect_out_has "--help names the formats" "text|pla|json|verilog|vhdl|latex|csv"
expect_out_has "--help says what csv writes" "The whole truth table, one line per assignment"

# ---------------------------------------------------------------- a PLA file of two named outputs

for how in shared --per-output; do
  opts=()
  [ "$how" = shared ] || opts=("$how")
  run --format verilog --pla adder.pla "${opts[@]}"
  expect_rc "adder verilog $how" 0
  expect_out_has "adder verilog $how: ports named legally" "input wire carry_in,"
  printf '%s\n' "$OUT" >adder.v
  check_sim "adder verilog $how" "$(simulate_verilog adder.v adder 3 "a_0 in_v carry_in" "sum out_v")" \
    "$(expected 3 adder 2)"

  run --format vhdl --pla adder.pla "${opts[@]}"
  expect_rc "adder vhdl $how" 0
  printf '%s\n' "$OUT" >adder.vhd
  check_sim "adder vhdl $how" "$(simulate_vhdl adder.vhd adder 3 "a_0 in_v carry_in" "sum out_v")" \
    "$(expected 3 adder 2)"
done

run --format vhdl --dnf --pla adder.pla
expect_out_has "adder as products of sums" "-- out_v: product of sums"
printf '%s\n' "$OUT" >adder_pos.vhd
check_sim "adder vhdl, products of sums" \
  "$(simulate_vhdl adder_pos.vhd adder 3 "a_0 in_v carry_in" "sum out_v")" "$(expected 3 adder 2)"

run --format csv --pla adder.pla
want="a[0],in,carry-in,sum,sum_result,out,out_result"
for ((i = 0; i < 8; i++)); do
  s=$(adder $i 0) c=$(adder $i 1)
  want+=$'\n'"$((i & 1)),$((i >> 1 & 1)),$((i >> 2 & 1)),$s,$s,$c,$c"
done
if [ "$(tr -d '\r' <<<"$OUT")" = "$want" ]; then ok; else bad "adder csv"; fi

run --format latex --pla adder.pla
printf '%s\n' "$OUT" >adder.tex
lint=$(lacheck adder.tex)
if [ -z "$lint" ]; then ok; else bad "adder latex: lacheck says $lint"; fi
expect_out_has "adder latex names its outputs" '\[ \mathit{sum} = '

# Don't-cares: "-" in the function column, the result's choice beside it.
cat >dc.pla <<'EOF'
.i 2
.o 1
.type fd
11 1
01 -
.e
EOF
run --format csv --pla dc.pla
if [ "$(tr -d '\r' <<<"$OUT" | sed -n 4p | cut -d, -f3)" = "-" ]; then ok; else bad "don't-care in the csv"; fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
