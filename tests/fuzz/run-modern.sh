#!/usr/bin/env bash
# Builds the modern-document fuzzer with clang and runs it for a bounded time: bytes read as a whole
# document's archives, the document read into the model and laid out (fake fonts with fixed metrics).
# Seeds: small documents from the test writer, plus every modern document of ../shared/corpus
# (and wild/) with all its .iwa decompressed and joined into one stream.
# Usage: tests/fuzz/run-modern.sh [seconds, default 600] [jobs, default 1]
# P2P_FUZZ_SYSTEM_FONTS=1 lays out with the installed fonts and writes each document as a PDF too.
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds="${1:-600}"
jobs="${2:-1}"
build=build/modern-fuzz

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target modern_fuzzer modern_fuzz_seeds

seeds="$build/fuzz-seeds"
corpus="$build/fuzz-corpus"
artifacts="$build/fuzz-artifacts"
unpacked="$build/fuzz-unpacked"
rm -rf "$seeds" "$unpacked"
mkdir -p "$seeds" "$corpus" "$artifacts" "$unpacked"

# The real documents, each unpacked into its own folder (a nested Index.zip too).
documents=()
if [ -d ../shared/corpus ] && command -v unzip >/dev/null; then
  while IFS= read -r -d '' doc; do
    name="$(basename "$doc" .pages)"
    if [ -d "$doc" ]; then cp -r "$doc" "$unpacked/$name"; else unzip -qq -o "$doc" -d "$unpacked/$name" || true; fi
    while IFS= read -r -d '' index; do
      unzip -qq -o "$index" -d "$(dirname "$index")/Index.zip-unpacked" || true
    done < <(find "$unpacked/$name" -name Index.zip -print0)
    documents+=("$unpacked/$name")
  done < <(find ../shared/corpus -maxdepth 2 -name '*.pages' -print0 | sort -z)
fi
"$build/tests/fuzz/modern_fuzz_seeds" "$seeds" "${documents[@]}"
rm -rf "$unpacked"

# Real documents' streams run to hundreds of kilobytes: long inputs are allowed, but each is
# bounded in time (a hang is a finding) and memory.
fuzz_args=(-max_total_time="$seconds" -max_len=1048576 -len_control=20 -timeout=10 -rss_limit_mb=1024
           -malloc_limit_mb=1024 -dict=tests/fuzz/modern.dict -artifact_prefix="$artifacts/" -print_final_stats=1)
if [ "$jobs" -gt 1 ]; then
  fuzz_args+=(-fork="$jobs")
fi
"$build/tests/fuzz/modern_fuzzer" "${fuzz_args[@]}" "$corpus" "$seeds"
