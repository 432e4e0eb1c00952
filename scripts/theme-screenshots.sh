#!/usr/bin/env bash
# Takes the README's screenshots of both windows in four desktop themes (default, dark, High Contrast
# Black and White) on both desktops: the shared case that checks every text reads in every theme
# saves what each front end draws, the Qt program offscreen, the GTK one under Xvfb and the Windows one
# under Wine.
# Usage: scripts/theme-screenshots.sh [folder]   (default docs/themes/)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/themes}")
mkdir -p "$out"
scripts/setup.sh
raw=$(mktemp -d)
trap 'rm -rf "$raw"' EXIT
case=OnEveryDesktop.EveryTextReadsInEveryTheme

for preset in linux windows-x64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
done
AUTORUN_SCREENSHOTS="$raw/qt-" QT_QPA_PLATFORM=offscreen build/linux/tests/qt_tests --gtest_filter="$case" >/dev/null
AUTORUN_SCREENSHOTS="$raw/gtk-" GDK_BACKEND=x11 GDK_SCALE=1 NO_AT_BRIDGE=1 \
    bash tests/qt/with-xvfb.sh build/linux/tests/gtk_tests --gtest_filter="$case" >/dev/null
# Windows programs name files by drive: Wine's Z: is the Unix root.
AUTORUN_SCREENSHOTS="Z:$raw/windows-" ctest --preset windows-x64 -R "^wine[.]|^$case\$" >/dev/null

for shot in "$raw"/*.ppm; do
    convert "$shot" "$out/$(basename "$shot" .ppm).png"
done
ls "$out"
