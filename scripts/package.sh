#!/usr/bin/env bash
# Build the Debian package build/tervo42_<version>_<arch>.deb from the same
# install rules that `cmake --install` uses.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target tervo42 tervo42-batch
(cd build && cpack -G DEB)
ls -l build/*.deb
