#!/usr/bin/env bash
# Builds the Debian package: a release build of the programs alone (no tests),
# then CPack. The .deb lands in build/package/.
#   sudo apt install ./build/package/tallyvox_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALLYVOX_BUILD_TESTS=OFF \
  -DTALLYVOX_WERROR=ON >/dev/null
cmake --build build/package -j "$(nproc)"
(cd build/package && cpack -G DEB)
ls -1 build/package/tallyvox_*.deb
