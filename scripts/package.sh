#!/usr/bin/env bash
# Builds the Debian package of Vorlin (build/package/vorlin_<version>_<arch>.deb) from a release
# build without tests. Install it with: sudo apt-get install ./build/package/vorlin_*.deb
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

# dpkg-shlibdeps (dpkg-dev) and file work out the package's library dependencies.
scripts/install-deps.sh dpkg-dev file

build=build/package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVORLIN_BUILD_TESTS=OFF -DVORLIN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB)
ls "$build"/vorlin_*.deb
