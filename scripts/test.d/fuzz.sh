#!/usr/bin/env bash
# Fuzz the formula file reader for 30 seconds; fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/../.."
exec bash scripts/fuzz-file.sh 30
