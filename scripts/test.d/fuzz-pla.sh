#!/usr/bin/env bash
# Fuzz the PLA reader for 30 seconds; fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/../.."
exec bash scripts/fuzz-pla.sh 30
