#!/usr/bin/env bash
# Builds the command-line converter and converts the real Pages documents with it.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset native-release >/dev/null
cmake --build --preset native-release --target pages2pdf
tool="$PWD/build/native-release/cli/pages2pdf"

corpus="$(cd ../shared/corpus 2>/dev/null && pwd || echo "$PWD/../shared/corpus")"
out="$PWD/build/out"
if ! ls "$corpus"/*.pages >/dev/null 2>&1; then
  echo "No documents to convert: $corpus is absent. Try: $tool --help"
  exit 0
fi

# A fresh output folder every time: the converter never writes over an existing PDF.
rm -rf "$out"
echo
echo "Converting the documents in $corpus into $out:"
status=0
"$tool" -o "$out" "$corpus"/*.pages "$corpus"/wild/*.pages || status=$?
echo
echo "pages2pdf exited with $status (0: every document written, 1: some were not)."
if [ -d "$out" ]; then
  echo "The Pages '09 document's PDF is Apple's own; the others were laid out by pages2pdf:"
  ls -l "$out"
fi

# The desktop program: built for Windows with mingw-w64 and started under Wine.
echo
cmake --preset windows >/dev/null
cmake --build --preset windows --target Project2
exe="$PWD/build/windows/app/Project2.exe"
if ! wine --version >/dev/null 2>&1; then
  echo "Built $exe; this machine cannot start 32-bit programs, so Wine cannot show the window here."
elif [ -n "${DISPLAY:-}" ]; then
  echo "Starting the window: $exe (under Wine; close it to finish)."
  WINEDEBUG=-all wine "$exe"
else
  # No screen here: show the window on a virtual one and keep a picture of it.
  shot="$PWD/build/screenshot.png"
  echo "No display: starting the window on a virtual screen (Xvfb) to take its picture."
  bash scripts/screenshot.sh "$shot"
  echo "The window as it looks: $shot"
fi
