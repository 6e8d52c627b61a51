#!/usr/bin/env bash
# Builds and runs every test: the native suite (ASan/UBSan) and the Windows suite under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

export WINEDEBUG=-all
# Wine creates its prefix on first use; do it once, up front, not inside a timed test.
wineboot -i >/dev/null 2>&1 || true

cmake --preset native
cmake --build --preset native
ctest --preset native

cmake --preset windows
cmake --build --preset windows
ctest --preset windows
