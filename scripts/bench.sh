#!/usr/bin/env bash
# Installs what is missing, builds vorlin-bench and runs it headless. Arguments go to vorlin-bench
# (--tiny for a quick run, --runs N, --data FOLDER, --only NAMES; --help lists them).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset default -DVORLIN_BUILD_BENCH=ON >/dev/null
cmake --build --preset default --target vorlin-bench -j "$(nproc)"
QT_QPA_PLATFORM=offscreen exec build/default/bench/vorlin-bench "$@"
