#!/usr/bin/env bash
# Installs what is missing, builds Vorlin and runs every test, headless: once as shipped (default
# preset) and once under AddressSanitizer and UndefinedBehaviorSanitizer (asan preset), where the
# first report of a memory error, undefined behaviour or leak ends the test with a failure. First it
# compiles the sources for Windows (scripts/check-windows.sh), so a broken Windows branch fails too.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/check-windows.sh

jobs=$(nproc)
for preset in default asan; do
    echo "== preset $preset"
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs"
done
