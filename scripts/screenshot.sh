#!/usr/bin/env bash
# Redraws docs/screenshot.png: builds scripts/screenshot, stages a folder of demo drawings and saves
# the main window with a drawing picked, on a virtual X display (xvfb-run), so no desktop is needed.
#
#   scripts/screenshot.sh [main window.png [about window.png]]
#
# The environment reaches the program, so QT_SCALE_FACTOR=2 shows the windows at 200 %; set
# XVFB_SCREEN (default 1280x1024x24) for a bigger virtual screen.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
main_png=$(realpath -m "${1:-$repo/docs/screenshot.png}")
about_png=${2:+$(realpath -m "$2")}

"$repo/scripts/install-deps.sh" xvfb xauth

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake -S "$repo/scripts/screenshot" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/build" -j "$(nproc)" --target vorlin-screenshot >/dev/null

# A fixed demo path keeps the folder list in the picture the same from run to run.
demo=/tmp/vorlin-demo
if [ -e "$demo" ]; then
    echo "$demo exists already; remove it and run again" >&2
    exit 1
fi
trap 'rm -rf "$work" "$demo"' EXIT

mkdir -p "$(dirname "$main_png")"
xvfb-run -a -s "-screen 0 ${XVFB_SCREEN:-1280x1024x24}" \
    "$work/build/vorlin-screenshot" "$demo/Drawings" "$main_png" ${about_png:+"$about_png"}
echo "wrote $main_png${about_png:+ and $about_png}"
