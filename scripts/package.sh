#!/usr/bin/env bash
# Build the Debian package build-package/tervo42_<version>_<arch>.deb from the same
# install rules that `cmake --install` uses.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DTERVO_BUILD_BENCH=OFF >/dev/null
cmake --build build-package -j "$(nproc)" --target tervo42 tervo42-batch tervo42_docs
(cd build-package && cpack -G DEB)
ls -l build-package/*.deb
