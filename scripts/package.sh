#!/usr/bin/env bash
# Build the Debian package build-package/tervo42_<version>_<arch>.deb from the same
# install rules that `cmake --install` uses.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Hardened as Debian builds its packages: fortified functions, full RELRO.
# Only what the package holds is built, in parallel, below: the install step
# of cpack would otherwise build everything else (every test program) first,
# one file at a time.
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DTERVO_BUILD_BENCH=OFF \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
  -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro,-z,now" >/dev/null
cmake --build build-package -j "$(nproc)" --target tervo42 tervo42-batch tervo42_docs
(cd build-package && cpack -G DEB)
ls -l build-package/*.deb
# The package's own checks: errors fail the build, the rest is shown.
lintian --fail-on error build-package/tervo42_*.deb
