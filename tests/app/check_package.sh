#!/usr/bin/env bash
# Builds the Debian package from a built tree, unpacks it into a scratch folder and checks
# what a user gets: the program runs from there, its desktop entry is valid, the manual page
# and the icon are in place, and it depends on the Debian Qt 6 and QCustomPlot packages (the
# chart engine's package brings Qt's printing with it).
# Usage: check_package.sh <build folder> <version>
set -euo pipefail

build=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 \
  || { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/out/*.deb)
dpkg-deb -x "$deb" "$scratch/root"

fail() { echo "check_package: $*" >&2; exit 1; }

got=$(env -i PATH=/usr/bin:/bin "$scratch/root/usr/bin/brentavius4" --version </dev/null)
[ "$got" = "brentavius4 $version" ] || fail "--version printed '$got'"
"$scratch/root/usr/bin/brentavius-sim" --help >/dev/null || fail "the simulator does not run"

desktop-file-validate "$scratch/root/usr/share/applications/brentavius4.desktop"
[ -s "$scratch/root/usr/share/man/man1/brentavius4.1.gz" ] || fail "no manual page"
[ -s "$scratch/root/usr/share/icons/hicolor/48x48/apps/brentavius4.png" ] || fail "no icon"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqcustomplot2.1-qt6; do
  [[ ",$depends" == *[\ ,]$package[\ ,\(]* || "$depends" == *"$package" ]] \
    || fail "Depends lacks $package: $depends"
done
echo "check_package: $(basename "$deb") depends on $depends"
