#!/usr/bin/env bash
# Install the Debian packages tervo42 needs to build, test and run.
# Idempotent: only packages that are missing are installed.
set -euo pipefail

PACKAGES=(
  # build
  g++ cmake make pkg-config dpkg-dev file
  # engine tests and benchmarks
  libgtest-dev libbenchmark-dev
  # the SAT solver the independent cover check of the minimiser's benchmarks calls
  cadical
  # wall-clock time and peak memory of whole runs in scripts/anchors.sh
  time
  # command-line tool, its JSON and the tests that read it back
  libcli11-dev nlohmann-json3-dev jq
  # windows, printing and their tests
  qt6-base-dev qt6-qpa-plugins libgl-dev xvfb xauth fontconfig fonts-liberation2
  # fuzzing the file reader
  clang libclang-rt-dev
  # desktop files, manual pages, checking the package
  desktop-file-utils appstream help2man lintian
  # rendering printed pages for a look
  poppler-utils
  # real X key events (key repeat) for looking at the window by hand under Xvfb
  xdotool
  # tests only: the exported Verilog, VHDL and LaTeX read by their own tools
  iverilog ghdl lacheck
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=()
if [ "$(id -u)" -ne 0 ]; then
  SUDO=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get -o DPkg::Lock::Timeout=300 update -qq
"${SUDO[@]}" apt-get -o DPkg::Lock::Timeout=300 install -y --no-install-recommends "${missing[@]}"
