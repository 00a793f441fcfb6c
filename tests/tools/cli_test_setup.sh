# Sourced by the scripts that drive tervo42-batch from the outside, with the
# program's path as its argument: a scratch folder to work in (removed on
# exit), the pass and fail counts, and run, which runs the program once.
set -uo pipefail

BATCH=$(realpath "$1")
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK" || exit 1

passed=0
failed=0
OUT= ERR= RC=

# Run the program with stdin from /dev/null: its exit status in RC, what it
# wrote in OUT and ERR.
run() {
  "$BATCH" "$@" >"$WORK/.out" 2>"$WORK/.err" </dev/null
  RC=$?
  OUT=$(cat "$WORK/.out")
  ERR=$(cat "$WORK/.err")
}
