#!/usr/bin/env bash
# Builds the Debian package: a build of the programs alone (no tests),
# then CPack. The .deb lands in build/package/.
#   sudo apt install ./build/package/tallyvox_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# The optimisation the tests run with (-O2); CPack strips the debug information.
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLYVOX_BUILD_TESTS=OFF \
  -DTALLYVOX_WERROR=ON >/dev/null
cmake --build build/package -j "$(nproc)"
(cd build/package && cpack -G DEB)
ls -1 build/package/tallyvox_*.deb
