#!/usr/bin/env bash
# Converts every hostile document (made by bench_hostile: bombs, work that grows faster than
# the input, pictures too large to decode) with the optimised pages2pdf, one process per
# document under GNU time, and prints per case what the tool answered, its wall time, CPU time
# and peak memory, against the goal: a PDF or a clear reason within 10 s and 512 MB.
#
# Settings (environment):
#   BENCH_BUILD_DIR=DIR     the native-release build folder (default build/native-release)
#   BENCH_HOSTILE=DIR       where the documents are generated (default bench/out/hostile)
#   BENCH_ONLY=a,b          only these cases (their names without .pages)
set -euo pipefail
export LC_ALL=C

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BENCH_BUILD_DIR:-$root/build/native-release}
cases_dir=${BENCH_HOSTILE:-$root/bench/out/hostile}
[ -x /usr/bin/time ] || { echo "hostile: /usr/bin/time (GNU time) is missing; run scripts/setup.sh" >&2; exit 1; }

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake --preset native-release -S "$root" -B "$build_dir" >/dev/null
fi
cmake --build "$build_dir" --target pages2pdf bench_hostile >/dev/null
pages2pdf=$build_dir/cli/pages2pdf

rm -rf "$cases_dir"
mkdir -p "$cases_dir/documents"
mapfile -t names < <("$build_dir/bench/bench_hostile" "$cases_dir/documents")
if [ -n "${BENCH_ONLY:-}" ]; then
  IFS=, read -ra names <<<"$BENCH_ONLY"
fi

printf '%-34s %9s %8s %8s %10s  %-5s %s\n' case size wall cpu "peak RSS" goal "what the tool said"
failed=0
for name in "${names[@]}"; do
  doc=$cases_dir/documents/$name.pages
  out=$cases_dir/out/$name
  rm -rf "$out" && mkdir -p "$out"
  # A working folder of its own for every case; a killed run leaves nothing behind elsewhere.
  XDG_CACHE_HOME=$cases_dir/cache/$name /usr/bin/time -f '%e %U %S %M' -o "$out/time" \
    timeout 60 "$pages2pdf" -o "$out" "$doc" >"$out/said" 2>&1 || true
  # GNU time puts "Command exited with non-zero status N" first when the tool says no.
  read -r wall user sys rss_kb < <(tail -n 1 "$out/time") || { wall=60 user=0 sys=0 rss_kb=0; }
  said=$(head -n 1 "$out/said" | sed "s|$cases_dir/||g; s|$out/||g" | cut -c1-140)
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
  rss_mb=$(awk -v k="$rss_kb" 'BEGIN { printf "%.0f", k / 1024 }')
  goal=met
  if awk -v w="$wall" -v m="$rss_mb" 'BEGIN { exit !(w > 10 || m > 512) }' || [ -z "$said" ]; then
    goal=MISSED
    failed=1
  fi
  size=$(du -k "$doc" | cut -f1)
  printf '%-34s %7s K %7ss %7ss %7s MB  %-6s %s\n' "$name" "$size" "$wall" "$cpu" "$rss_mb" "$goal" "$said"
done
exit $failed
