#!/usr/bin/env bash
# Fuzz the PLA reader: scripts/fuzz-pla.sh [SECONDS] (default 60; more for a long run).
exec "$(dirname "$0")/fuzz.sh" pla "$@"
