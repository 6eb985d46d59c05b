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

# The size of the tests against the code they test: lines that are neither blank nor only a
# comment (// in C++, # elsewhere), the fuzz corpus left out. The tests are to stay at most 40 %.
code_lines() {
    find "$@" -type f ! -path '*/fuzz/corpus/*' -print0 | while IFS= read -r -d '' f; do
        grep -Iq . "$f" || continue
        case $f in
        *.cpp | *.h) grep -cvE '^[[:space:]]*($|//)' "$f" || true ;;
        *) grep -cvE '^[[:space:]]*($|#)' "$f" || true ;;
        esac
    done | awk '{ n += $1 } END { print n + 0 }'
}
src=$(code_lines src)
tests=$(code_lines tests)
echo "== tests/ has $tests lines against $src in src/: $((100 * tests / src)) % (at most 40 %)"
