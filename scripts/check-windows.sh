#!/usr/bin/env bash
# Compiles every source file under src/ for Windows, syntax only, with the mingw-w64 cross compiler
# against the installed Qt headers (no Qt for Windows is packaged, so nothing is linked). Any error
# or warning fails, so a Windows branch that no longer compiles is caught on Linux.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh g++-mingw-w64-x86-64-posix

cxx=x86_64-w64-mingw32-g++-posix
qt=$(pkg-config --variable=includedir Qt6Core)
version=$(sed -n 's/^project(Vorlin VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
flags=(
    -std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic -Werror
    # As Qt's own build sets them for Windows programs, and as src/app/CMakeLists.txt sets the version.
    -DUNICODE -D_UNICODE -DQT_NO_DEBUG "-DVORLIN_VERSION=\"$version\""
    -Isrc -isystem "$qt" -isystem "$qt/QtCore" -isystem "$qt/QtGui" -isystem "$qt/QtWidgets"
)

# The headers are Linux's; make sure they take the Windows branches with this compiler.
printf '#include <QtGlobal>\n#if !defined(Q_OS_WIN) || defined(Q_OS_UNIX)\n#error not a Windows build\n#endif\n' |
    "$cxx" "${flags[@]}" -x c++ -

mapfile -t files < <(find src -name '*.cpp' | sort)
if ! printf '%s\0' "${files[@]}" | xargs -0 -n 1 -P "$(nproc)" "$cxx" "${flags[@]}"; then
    echo "check-windows: the Windows build of src/ fails (messages above)" >&2
    exit 1
fi
echo "check-windows: ${#files[@]} files under src/ compile for Windows"
