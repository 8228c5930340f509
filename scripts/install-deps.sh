#!/usr/bin/env bash
# Installs the Debian packages Zarkride needs: to build and play it, or with --test also to test,
# fuzz and benchmark it. Safe to run again: packages already present are left alone. Works as
# root or through sudo.
#   scripts/install-deps.sh [--test]
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    libsdl2-dev libgl-dev libgl1-mesa-dri
    libopenal-dev
    libfluidsynth-dev timgm6mb-soundfont
    libjpeg-dev libpng-dev
    libfreetype-dev fonts-dejavu-core
)
test_packages=(
    git
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xauth x11-apps xdotool imagemagick mesa-vulkan-drivers
    libx11-dev libxdamage-dev jq
    desktop-file-utils groff-base
)
case "${1:-}" in
    --test) packages+=("${test_packages[@]}") ;;
    "") ;;
    *) echo "usage: $0 [--test]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#packages[@]} packages present"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
else
    echo "install-deps: need root or sudo to install: ${missing[*]}" >&2
    exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
