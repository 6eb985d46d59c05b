#!/usr/bin/env bash
# Installs what is missing, builds Vorlin and starts it in the folder this script was called from.
# Only the program's own target is built; ./scripts/test.sh builds the tests and the benchmark.
set -euo pipefail
here=$(pwd)
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

scripts/install-deps.sh

cmake --preset default >/dev/null
cmake --build --preset default --target vorlin -j "$(nproc)"
cd "$here"
exec "$repo/build/default/src/app/vorlin" "$@"
