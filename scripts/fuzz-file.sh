#!/usr/bin/env bash
# Fuzz the formula file reader: scripts/fuzz-file.sh [SECONDS] (default 60).
exec "$(dirname "$0")/fuzz.sh" file "$@"
