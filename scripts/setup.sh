#!/usr/bin/env bash
# Installs every prerequisite on a fresh Debian machine (bookworm or later).
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

pkgs=(
  build-essential cmake ninja-build pkg-config git
  zlib1g-dev googletest libgtest-dev
  clang libclang-rt-dev
  mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix libz-mingw-w64-dev
  wine wine32:i386 xvfb xauth x11-utils imagemagick fonts-dejavu-core fonts-wine
  unzip libarchive-tools zip hyperfine time
)

need=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  need=("${pkgs[@]}")
else
  for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
  done
fi

if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
fi
