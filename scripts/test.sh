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
# Wine runs the 32-bit program only where the kernel runs 32-bit code; some machines' don't.
if wine --version >/dev/null 2>&1; then
  ctest --preset windows
else
  echo "The Windows suite is built but not run: this machine cannot start 32-bit programs, which Wine needs ($(wine --version 2>&1 | tail -n 1))."
fi
