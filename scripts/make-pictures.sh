#!/usr/bin/env bash
# Builds scripts/make-pictures and runs it, redrawing the pictures and icons under resources/.
# The output is deterministic; commit it together with any change to the drawings.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(mktemp -d)
trap 'rm -rf "$build"' EXIT

cmake -S "$repo/scripts/make-pictures" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" >/dev/null
QT_QPA_PLATFORM=offscreen "$build/make-pictures" "$repo/resources"
