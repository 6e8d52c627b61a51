#!/usr/bin/env bash
# Builds the .iwa fuzzer with clang and runs it for a bounded time. Seeds: small .iwa files
# from the test writer, plus every .iwa of the real documents in ../shared/corpus (when present),
# as they are and decompressed.
# Usage: tests/fuzz/run-iwa.sh [seconds, default 300] [jobs, default 1]
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds="${1:-300}"
jobs="${2:-1}"
build=build/iwa-fuzz

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target iwa_fuzzer iwa_fuzz_seeds

seeds="$build/fuzz-seeds"
corpus="$build/fuzz-corpus"
artifacts="$build/fuzz-artifacts"
unpacked="$build/fuzz-unpacked"
rm -rf "$seeds" "$unpacked"
mkdir -p "$seeds" "$corpus" "$artifacts" "$unpacked"

# The real documents' .iwa files, below a top folder or inside an Index.zip too.
if [ -d ../shared/corpus ] && command -v unzip >/dev/null; then
  n=0
  while IFS= read -r -d '' doc; do
    n=$((n + 1))
    if [ -d "$doc" ]; then cp -r "$doc" "$unpacked/$n"; else unzip -qq -o "$doc" -d "$unpacked/$n" || true; fi
    while IFS= read -r -d '' index; do
      unzip -qq -o "$index" -d "$(dirname "$index")/Index.zip-unpacked" || true
    done < <(find "$unpacked/$n" -name Index.zip -print0)
  done < <(find ../shared/corpus -maxdepth 2 -name '*.pages' -print0)
  i=0
  while IFS= read -r -d '' iwa; do
    i=$((i + 1))
    cp "$iwa" "$seeds/corpus-$i.iwa"
  done < <(find "$unpacked" -name '*.iwa' -print0)
fi
shopt -s nullglob
"$build/tests/fuzz/iwa_fuzz_seeds" "$seeds" "$seeds"/corpus-*.iwa
rm -rf "$unpacked"

fuzz_args=(-max_total_time="$seconds" -max_len=16384 -timeout=20 -rss_limit_mb=2048
           -artifact_prefix="$artifacts/" -print_final_stats=1)
if [ "$jobs" -gt 1 ]; then
  fuzz_args+=(-fork="$jobs")
fi
"$build/tests/fuzz/iwa_fuzzer" "${fuzz_args[@]}" "$corpus" "$seeds"
