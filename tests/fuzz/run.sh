#!/usr/bin/env bash
# Builds the package-reader fuzzer with clang and runs it for a bounded time.
# Usage: tests/fuzz/run.sh [seconds, default 300] [jobs, default 1]
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds="${1:-300}"
jobs="${2:-1}"
build=build/zip-fuzz

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target zip_fuzzer zip_fuzz_seeds

seeds="$build/fuzz-seeds"
corpus="$build/fuzz-corpus"
artifacts="$build/fuzz-artifacts"
mkdir -p "$seeds" "$corpus" "$artifacts"
"$build/tests/fuzz/zip_fuzz_seeds" "$seeds"

fuzz_args=(-max_total_time="$seconds" -max_len=16384 -timeout=20 -rss_limit_mb=2048
           -artifact_prefix="$artifacts/" -print_final_stats=1)
if [ "$jobs" -gt 1 ]; then
  fuzz_args+=(-fork="$jobs")
fi
"$build/tests/fuzz/zip_fuzzer" "${fuzz_args[@]}" "$corpus" "$seeds"
