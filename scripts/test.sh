#!/usr/bin/env bash
# Installs what is missing, builds Vorlin and runs every test, headless: once as shipped (default
# preset) and once under AddressSanitizer and UndefinedBehaviorSanitizer (asan preset), where the
# first report of a memory error, undefined behaviour or leak ends the test with a failure. First it
# compiles the sources for Windows (scripts/check-windows.sh), so a broken Windows branch fails too.
set -euo pipefail
cd "$(dirname "$0")/.."

# The validators of the desktop entry and metadata, and what builds and checks the Debian package.
scripts/install-deps.sh desktop-file-utils appstream debhelper dpkg-dev lintian
scripts/check-windows.sh

jobs=$(nproc)
# The program as ./scripts/run.sh builds it (app preset, a unity build), so a break there shows here.
cmake --preset app >/dev/null
cmake --build --preset app -j "$jobs"
for preset in default asan; do
    echo "== preset $preset"
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs"
done
