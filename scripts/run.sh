#!/usr/bin/env bash
# Installs what is missing, builds Vorlin and starts it in the folder this script was called from.
# The app preset builds the program alone (./scripts/test.sh builds the tests and the benchmark),
# as a unity build: each library compiles as one or two files, which parse the Qt headers once
# instead of once per source file. On 2 cores a clean clone shows the window after about half a
# minute; building everything first took two and a half.
set -euo pipefail
here=$(pwd)
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

scripts/install-deps.sh

cmake --preset app >/dev/null
cmake --build --preset app -j "$(nproc)"
cd "$here"
exec "$repo/build/app/src/app/vorlin" "$@"
