#!/usr/bin/env bash
# Installs what is missing, builds vorlin-bench and runs it headless. Arguments go to vorlin-bench
# (--tiny for a quick run, --large for the 1,000,000-drawing figures, --runs N, --data FOLDER,
# --only NAMES; --help lists them).
#
# Its figures and their goals (each at most):
#   folder_100k_ratio        1.5   opening 100,000 drawings, over a C readdir loop making both lists
#   folder_10k_ratio         2.0   the same with 10,000 drawings
#   folder_1m_ratio          1.3   the same with 1,000,000 drawings (--large)
#   rename_100k_ratio        1.3   Rename! among 100,000 drawings, over renameat2 and the C loop
#   click_100k_ratio         1.5   clicking File2's last entry among 100,000, over among 10
#   preview_2000x400_ratio   3.5   showing a 2000 x 400, 24-bit drawing, over a C decode
#   preview_8000x6000_ratio  1.8   the same for 8000 x 6000
#   preview_huge_ratio       3     showing a 30,000 x 20,000, 24-bit drawing, over a 311 x 63 one
#   preview_huge_rle_ratio   2     showing a 16,000 x 16,000 RLE8 drawing, over one read() of it
#   startup_ratio            1.3   start-up to the first paint, over an empty window's
#   memory_100k_mb           16    MiB of memory growth opening the 100,000 drawings
#   memory_1m_mb             10.5 x memory_100k_mb, opening the 1,000,000 drawings (--large)
#   preview_huge_mb          16    MiB of memory growth showing the 30,000 x 20,000 drawing
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset default -DVORLIN_BUILD_BENCH=ON >/dev/null
cmake --build --preset default --target vorlin-bench -j "$(nproc)"
QT_QPA_PLATFORM=offscreen exec build/default/bench/vorlin-bench "$@"
