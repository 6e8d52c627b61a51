#!/usr/bin/env bash
# Starts Project2.exe under Wine on a virtual X display and saves a picture of its window.
# Usage: scripts/screenshot.sh [output.png]   (default docs/screenshot.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/screenshot.png}"
build="${PAGES2PDF_WIN_BUILD:-build/windows}"

if [ ! -f "$build/app/Project2.exe" ]; then
  cmake --preset windows -B "$build" >/dev/null
  cmake --build "$build" --target Project2
fi
exe="$build/app/Project2.exe"

export WINEDEBUG=-all
# A prefix of its own: a Wine server that other programs started without a display would
# otherwise own the desktop, and the window would never reach the virtual screen.
export WINEPREFIX="${PAGES2PDF_WINEPREFIX:-$PWD/$build/wine-gui}"
# No .NET or HTML engine is needed, so a fresh prefix never stops to offer their installers.
export WINEDLLOVERRIDES="mscoree,mshtml="

# A free display number: the first without a lock file.
n=99
while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
display=":$n"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
wine_pid=""
cleanup() {
  if [ -n "$wine_pid" ]; then kill "$wine_pid" 2>/dev/null || true; fi
  DISPLAY="$display" wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT

for _ in $(seq 50); do
  DISPLAY="$display" xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done

# Wine makes its prefix on first use; do it before waiting for the window.
DISPLAY="$display" wineboot -i >/dev/null 2>&1 || true

DISPLAY="$display" wine "$exe" >"${PAGES2PDF_SHOT_LOG:-/dev/null}" 2>&1 &
wine_pid=$!

# Wait for the window "Form2" to be mapped and give it a moment to paint.
geometry=""
for _ in $(seq 300); do
  line=$(DISPLAY="$display" xwininfo -root -tree 2>/dev/null | grep '"Form2"' | grep -E '[0-9]+x[0-9]+\+' | head -n1 || true)
  if [ -n "$line" ]; then
    id=$(awk '{print $1}' <<<"$line")
    info=$(DISPLAY="$display" xwininfo -id "$id" 2>/dev/null || true)
    if grep -q "IsViewable" <<<"$info"; then
      x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
      y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
      w=$(awk '/Width:/ {print $2}' <<<"$info")
      h=$(awk '/Height:/ {print $2}' <<<"$info")
      geometry="${w}x${h}+${x}+${y}"
      break
    fi
  fi
  sleep 0.2
done
if [ -z "$geometry" ]; then
  echo "screenshot: the window did not appear" >&2
  exit 1
fi
sleep 2

mkdir -p "$(dirname "$out")"
DISPLAY="$display" import -window root -crop "$geometry" +repage "$out"
echo "screenshot: $out ($geometry)"
