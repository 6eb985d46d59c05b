#!/usr/bin/env bash
# Builds the Debian package of Vorlin with debhelper (debian/) and dpkg-buildpackage, from a scratch
# copy of the tree so that the build leaves the tree as it was. The packages land in OUTDIR (default
# build/package): vorlin_<version>_<arch>.deb and its debug symbols, vorlin-dbgsym_<version>_<arch>.deb.
#   scripts/package.sh [OUTDIR]
# Install it with: sudo apt-get install ./build/package/vorlin_*.deb
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$repo/build/package}")

"$repo/scripts/install-deps.sh" debhelper dpkg-dev

# dpkg-buildpackage writes the packages beside the source folder it builds in: $out/vorlin.
src="$out/vorlin"
rm -rf "$src" "$out"/vorlin_* "$out"/vorlin-dbgsym_*
mkdir -p "$src"
tar -C "$repo" --exclude-vcs --exclude=./build --exclude="./${out#"$repo"/}" -cf - . | tar -C "$src" -xf -

(cd "$src" && dpkg-buildpackage -us -uc -b -J"$(nproc)")
ls "$out"/vorlin_*.deb
