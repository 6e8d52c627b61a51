#!/usr/bin/env bash
# Builds and runs every test: the native suite (ASan/UBSan) and the Windows suite under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

export WINEDEBUG=-all
# Wine creates its prefix on first use; do it once, up front, not inside a timed test.
timeout 300 wineboot -i >/dev/null 2>&1 || true

cmake --preset native
cmake --build --preset native
ctest --preset native

cmake --preset windows
cmake --build --preset windows
# Wine runs the 32-bit program only where the kernel runs 32-bit code; some machines' don't. There the same
# suites are built for x86_64 and run under 64-bit Wine, which exercises the same Win32 code.
if wine --version >/dev/null 2>&1; then
  ctest --preset windows
else
  echo "The i686 Windows suite is built but not run: this machine cannot start 32-bit programs, which Wine needs ($(wine --version 2>&1 | tail -n 1)). Running the x86_64 build of the same suites under 64-bit Wine instead."
  cmake --preset windows64
  cmake --build --preset windows64
  wine64=$(sed -n 's/^WINE_PROGRAM:FILEPATH=//p' build/windows64/CMakeCache.txt)
  # The prefixes the windows64 suites use (the GUI suite has its own); made here, one at a time, not inside
  # a timed test, and each server gone before the suites start theirs.
  for prefix in wine wine-gui; do
    WINEPREFIX="$PWD/build/windows64/$prefix" timeout 300 "$wine64" wineboot -i >/dev/null 2>&1 || true
    WINEPREFIX="$PWD/build/windows64/$prefix" timeout 120 "$(dirname "$wine64")/wineserver" -w >/dev/null 2>&1 || true
  done
  ctest --preset windows64
fi
