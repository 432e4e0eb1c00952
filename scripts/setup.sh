#!/usr/bin/env bash
# Installs what building, running and testing Autorun need on Debian 12, and any packages
# named as arguments. Quiet when everything is already there; needs root (or sudo) otherwise.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config libx11-dev
    qt6-base-dev libgtest-dev
    fonts-liberation
    xvfb xauth x11-utils x11-apps xdotool imagemagick
    xdg-utils
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest
    wine wine64 fonts-wine
    # The X extensions Wine's display driver loads when present; the Windows tests ran with them.
    libxrender1 libxcursor1 libxi6 libxrandr2 libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
