#!/usr/bin/env bash
# Times pages2pdf against Info-ZIP unzip and bsdtar doing the same work (empty a working folder,
# unpack the whole package into it, copy the PDF out), in one paired run per workload, and
# prints median times, ratios to unzip, peak memory and the goals each pages2pdf figure meets.
# The modern workload times reading a generated 1,000-page Pages 5 document (styled text, lists,
# a header, pictures and tables) into the document model (bench_modern) and converting it end to
# end (pages2pdf: read, lay out, write the PDF), against its own goals. The many workload converts
# a few hundred real-sized modern documents (2 to 20 pages, made by the same writer) with -j 1 and
# -j 2, and as two processes at once, for documents per second and peak memory per job.
#
# Settings (environment):
#   BENCH_RUNS=5            timed rounds per workload (after one untimed warm-up round)
#   BENCH_ONLY=large,batch,tiny,modern,many   the workloads to run
#   BENCH_MANY=300          documents in the many workload
#   BENCH_CORPUS=DIR        where the corpus is generated and kept (default bench/out/corpus)
#   BENCH_TMPFS=DIR         a tmpfs folder for the scratch folders (default: mount one when root,
#                           else /dev/shm)
#   BENCH_BUILD_DIR=DIR     the native-release build folder (default build/native-release)
#   BENCH_PAGES2PDF=FILE    a pages2pdf binary to time instead of the one built here
set -euo pipefail
export LC_ALL=C  # EPOCHREALTIME with a "." and sort/printf with plain numbers

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BENCH_BUILD_DIR:-$root/build/native-release}
corpus=${BENCH_CORPUS:-$root/bench/out/corpus}
runs=${BENCH_RUNS:-5}
only=${BENCH_ONLY:-large,batch,tiny,modern,many}
many_count=${BENCH_MANY:-300}

say() { printf '%s\n' "$*"; }
die() { printf 'bench: %s\n' "$*" >&2; exit 1; }

for tool in unzip bsdtar cmake; do
  command -v "$tool" >/dev/null || die "$tool is missing; run scripts/setup.sh"
done
[ -x /usr/bin/time ] || die "/usr/bin/time (GNU time) is missing; run scripts/setup.sh"
[[ $runs =~ ^[1-9][0-9]*$ ]] || die "BENCH_RUNS must be a positive number"
[[ $many_count =~ ^[1-9][0-9]*$ ]] || die "BENCH_MANY must be a positive number"
workloads=() want_modern=0 want_many=0
IFS=, read -ra requested <<<"$only"
for w in "${requested[@]}"; do
  case $w in
  large | batch | tiny) workloads+=("$w") ;;
  modern) want_modern=1 ;;
  many) want_many=1 ;;
  *) die "unknown workload '$w' (large, batch, tiny, modern, many)" ;;
  esac
done

# --- build -----------------------------------------------------------------------------------
say "== build ($build_dir)"
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake --preset native-release -S "$root" -B "$build_dir" >/dev/null
fi
cmake --build "$build_dir" --target bench_make_corpus >/dev/null
generator=$build_dir/bench/bench_make_corpus
if ((want_modern || want_many)); then
  cmake --build "$build_dir" --target bench_modern >/dev/null
  bench_modern=$build_dir/bench/bench_modern
fi

p2p=${BENCH_PAGES2PDF:-}
if [ -z "$p2p" ]; then
  if cmake --build "$build_dir" --target pages2pdf >"$build_dir/bench-pages2pdf-build.log" 2>&1; then
    p2p=$build_dir/cli/pages2pdf
  else
    say "pages2pdf does not build (see $build_dir/bench-pages2pdf-build.log): timing unzip and bsdtar only"
  fi
fi
[ -z "$p2p" ] || [ -x "$p2p" ] || die "$p2p is not an executable"
[ -z "$p2p" ] || say "pages2pdf: $p2p"

# --- corpus ----------------------------------------------------------------------------------
if ((${#workloads[@]})); then
  version=$("$generator" --version)
  if [ "$(cat "$corpus/corpus.stamp" 2>/dev/null)" != "$version" ]; then
    say "== generating the corpus in $corpus (once; about 300 MB)"
    "$generator" "$corpus"
  else
    say "== corpus: $corpus ($version)"
  fi
  batch_docs=("$corpus"/batch/*.pages)
  [ ${#batch_docs[@]} -eq 400 ] || die "expected 400 documents in $corpus/batch"
fi
# The modern document: generated apart, again only when its generator's version changes.
modern_doc=$corpus/modern/long.pages
if ((want_modern)); then
  modern_version=$("$bench_modern" --version)
  if [ "$(cat "$corpus/modern/modern.stamp" 2>/dev/null)" != "$modern_version" ]; then
    say "== generating the modern document $modern_doc (once)"
    mkdir -p "$corpus/modern"
    "$bench_modern" generate "$modern_doc" 1000 >/dev/null
    printf '%s\n' "$modern_version" >"$corpus/modern/modern.stamp"
  else
    say "== modern document: $modern_doc ($modern_version)"
  fi
fi

# The many documents: 2 to 20 pages each, as real ones run, generated apart like the long one.
many_dir=$corpus/many
if ((want_many)); then
  many_version="$("$bench_modern" --version) x$many_count"
  if [ "$(cat "$many_dir/many.stamp" 2>/dev/null)" != "$many_version" ]; then
    say "== generating $many_count modern documents in $many_dir (once)"
    rm -rf "$many_dir" && mkdir -p "$many_dir"
    for ((i = 1; i <= many_count; i++)); do
      "$bench_modern" generate "$(printf '%s/doc-%03d.pages' "$many_dir" "$i")" $((2 + i * 7 % 19)) >/dev/null
    done
    printf '%s\n' "$many_version" >"$many_dir/many.stamp"
  else
    say "== many modern documents: $many_dir ($many_version)"
  fi
  many_docs=("$many_dir"/*.pages)
fi

# --- scratch folders on a tmpfs --------------------------------------------------------------
mounted="" scratch=""
cleanup() {
  [ -z "$scratch" ] || rm -rf "$scratch"
  if [ -n "$mounted" ]; then umount "$mounted" && rmdir "$mounted"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM
if [ -n "${BENCH_TMPFS:-}" ]; then
  tmpfs_root=$BENCH_TMPFS
  how="the folder given by BENCH_TMPFS"
else
  tmpfs_root="" how="/dev/shm (not root, so no tmpfs of its own)"
  if [ "$(id -u)" -eq 0 ]; then
    mnt=$(mktemp -d /tmp/pages2pdf-bench.XXXXXX)
    if mount -t tmpfs -o size=3g,mode=0700 pages2pdf-bench "$mnt" 2>/dev/null; then
      tmpfs_root=$mnt mounted=$mnt how="a tmpfs mounted for this run"
    else
      rmdir "$mnt"
      how="/dev/shm (mounting a tmpfs failed)"
    fi
  fi
  [ -n "$tmpfs_root" ] || tmpfs_root=/dev/shm
fi
[ "$(stat -f -c %T "$tmpfs_root")" = tmpfs ] || say "warning: $tmpfs_root is not a tmpfs; figures will show the file system"
scratch=$(mktemp -d "$tmpfs_root/scratch.XXXXXX")
say "== scratch folders: $scratch, on $how"
say "   (every tool unpacks into, deletes and copies out of a tmpfs: on this machine's journal-less"
say "   ext4 the delete-then-create cycle is slow for every tool alike and would hide the programs)"
say "   load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) CPUs (other work on the machine skews every figure)"

# --- the work, once per tool -----------------------------------------------------------------
# Each tool has its own working folder, which keeps the previous run's tree, as the converter's
# does: removing it is part of the work. The output folder is made fresh (untimed) before each run.
work_unzip=$scratch/unzip-work
work_bsdtar=$scratch/bsdtar-work
export XDG_CACHE_HOME=$scratch/pages2pdf-cache  # its working folder: $XDG_CACHE_HOME/Lumbrook

pdf_name() { local n=${1##*/}; REPLY=${n%.*}.pdf; }

unzip_docs() {  # OUT DOC...
  local out=$1 doc
  shift
  for doc in "$@"; do
    pdf_name "$doc"
    rm -rf "$work_unzip" && mkdir "$work_unzip" && unzip -q "$doc" -d "$work_unzip" &&
      cp "$work_unzip/QuickLook/Preview.pdf" "$out/$REPLY" || return 1
  done
}

bsdtar_docs() {  # OUT DOC...
  local out=$1 doc
  shift
  for doc in "$@"; do
    pdf_name "$doc"
    rm -rf "$work_bsdtar" && mkdir "$work_bsdtar" && bsdtar -xf "$doc" -C "$work_bsdtar" &&
      cp "$work_bsdtar/QuickLook/Preview.pdf" "$out/$REPLY" || return 1
  done
}

pages2pdf_docs() {  # OUT DOC...: one call for every document
  local out=$1
  shift
  "$p2p" -o "$out" "$@" >/dev/null 2>"$scratch/pages2pdf.err"
}

tools=(unzip bsdtar)
[ -z "$p2p" ] || tools+=(pages2pdf)

declare -A median ratio cpu cpu_ratio rss docs_of label_of
docs_of[large]="$corpus/large.pages"
docs_of[tiny]="$corpus/tiny.pages"
label_of[large]="large document"
[ ! -f "$corpus/large.pages" ] || label_of[large]+=" ($(($(stat -c %s "$corpus/large.pages") / 1000000)) MB)"
label_of[batch]="400 small documents"
label_of[tiny]="20,000 tiny entries"

docs_for() {  # WORKLOAD -> the array DOCS
  if [ "$1" = batch ]; then DOCS=("${batch_docs[@]}"); else DOCS=("${docs_of[$1]}"); fi
}

# Times one run of TOOL on WORKLOAD: WALL and CPU (user + system time of every process the run
# started), in microseconds. OUT is left for checking.
time_run() {  # WORKLOAD TOOL
  local out=$scratch/out-$2 t0 t1
  docs_for "$1"
  rm -rf "$out" && mkdir "$out"
  times >"$scratch/times0"  # a builtin in this shell: its children's times so far
  t0=$EPOCHREALTIME
  if ! "$2_docs" "$out" "${DOCS[@]}"; then
    [ "$2" != pages2pdf ] || cat "$scratch/pages2pdf.err" >&2
    die "$2 failed on the $1 workload"
  fi
  t1=$EPOCHREALTIME
  times >"$scratch/times1"
  WALL=$((${t1/./} - ${t0/./}))
  CPU=$(awk 'FNR == 2 { split($1, u, "m"); split($2, s, "m"); t = (u[1] + s[1]) * 60 + u[2] + s[2]
                        if (FILENAME ~ /times0$/) a = t; else b = t }
             END { printf "%d", (b - a) * 1e6 }' "$scratch/times0" "$scratch/times1")
}

# Every tool must have written the same PDFs as unzip: a broken run is not a fast run.
check_outputs() {  # WORKLOAD
  local tool want=${#DOCS[@]}
  local got
  got=$(find "$scratch/out-unzip" -name '*.pdf' | wc -l)
  [ "$got" -eq "$want" ] || die "unzip wrote $got PDFs for the $1 workload, expected $want"
  for tool in "${tools[@]}"; do
    diff -rq "$scratch/out-unzip" "$scratch/out-$tool" >/dev/null ||
      die "$tool's PDFs differ from unzip's on the $1 workload"
  done
}

median_of() {  # VALUES... -> REPLY
  local sorted
  mapfile -t sorted < <(printf '%s\n' "$@" | sort -g)
  local n=${#sorted[@]}
  if ((n % 2)); then REPLY=${sorted[n / 2]}; else REPLY=$(awk -v a="${sorted[n / 2 - 1]}" -v b="${sorted[n / 2]}" 'BEGIN{print (a+b)/2}'); fi
}

# Peak resident memory (KiB) of the tool's own processes on WORKLOAD: the extracting process,
# not the shell loop or cp around it.
peak_rss() {  # WORKLOAD TOOL -> REPLY
  local out=$scratch/out-rss file=$scratch/rss max=0 doc kib
  docs_for "$1"
  rm -rf "$out" && mkdir "$out"
  if [ "$2" = pages2pdf ]; then
    /usr/bin/time -f %M -o "$file" "$p2p" -o "$out" "${DOCS[@]}" >/dev/null 2>&1 || die "pages2pdf failed"
    REPLY=$(<"$file")
    return
  fi
  local work=$scratch/$2-work
  for doc in "${DOCS[@]}"; do
    rm -rf "$work" && mkdir "$work"
    if [ "$2" = unzip ]; then
      /usr/bin/time -f %M -o "$file" unzip -q "$doc" -d "$work"
    else
      /usr/bin/time -f %M -o "$file" bsdtar -xf "$doc" -C "$work"
    fi
    kib=$(<"$file")
    ((kib > max)) && max=$kib
  done
  REPLY=$max
}

# MEDIAN of the tool's times, and RATIO: the median over rounds of its time over unzip's time in
# the same round (paired, so a busy moment of the machine cancels out).
paired() {  # "TOOL TIMES" "UNZIP TIMES"
  local mine base quotients=() i
  read -ra mine <<<"$1"
  read -ra base <<<"$2"
  for ((i = 0; i < ${#mine[@]}; i++)); do
    quotients+=("$(awk -v a="${mine[i]}" -v b="${base[i]}" 'BEGIN { printf "%.4f", (b > 0 ? a / b : 0) }')")
  done
  median_of "${mine[@]}"
  MEDIAN=$REPLY
  median_of "${quotients[@]}"
  RATIO=$REPLY
}

for w in "${workloads[@]}"; do
  say "== ${label_of[$w]}: 1 warm-up + $runs timed rounds of ${tools[*]}"
  declare -A walls=() cpus=()
  for ((r = 0; r <= runs; r++)); do
    # Rotate the order each round so no tool always runs right after another's heavy deletion.
    n=${#tools[@]}
    for ((i = 0; i < n; i++)); do
      tool=${tools[(i + r) % n]}
      time_run "$w" "$tool"
      if ((r > 0)); then
        walls[$tool]+="$WALL "
        cpus[$tool]+="$CPU "
      fi
    done
    ((r > 0)) || check_outputs "$w"
  done
  for tool in "${tools[@]}"; do
    paired "${walls[$tool]}" "${walls[unzip]}"
    median[$w,$tool]=$MEDIAN ratio[$w,$tool]=$RATIO
    paired "${cpus[$tool]}" "${cpus[unzip]}"
    cpu[$w,$tool]=$MEDIAN cpu_ratio[$w,$tool]=$RATIO
    peak_rss "$w" "$tool"
    rss[$w,$tool]=$REPLY
  done
done

# --- the modern document ----------------------------------------------------------------------
# Reading: bench_modern read in fresh processes, as a user converts one document per process
# (its first round pays for the memory the process takes from the system); then one process of
# ten rounds for the best time. End to end: pages2pdf on the package, under GNU time.
figure() {  # KEY LINE -> REPLY: the value of KEY=value in a "figures ..." line
  REPLY=$(sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$2")
}
if ((want_modern)); then
  modern_dir=$scratch/modern-unpacked
  mkdir "$modern_dir" && unzip -q "$modern_doc" -d "$modern_dir"
  say "== modern document: 1 warm-up + $runs fresh processes of bench_modern read, then one of 10 rounds"
  "$bench_modern" read "$modern_dir/Index" 1 >/dev/null
  m_first=() m_cpu=() m_pages=() m_above=() m_ratio=() m_rss=()
  for ((r = 0; r < runs; r++)); do
    line=$(/usr/bin/time -f %M -o "$scratch/modern.rss" "$bench_modern" read "$modern_dir/Index" 1 | grep '^figures ')
    figure first_ms "$line" && m_first+=("$REPLY")
    figure first_cpu_ms "$line" && m_cpu+=("$REPLY")
    figure first_pages "$line" && m_pages+=("$REPLY")
    figure peak_above_mib "$line" && m_above+=("$REPLY")
    figure ratio "$line" && m_ratio+=("$REPLY")
    m_rss+=("$(<"$scratch/modern.rss")")
  done
  figure iwa_mib "$line" && m_iwa=$REPLY
  figure paragraphs "$line" && m_paragraphs=$REPLY
  line=$("$bench_modern" read "$modern_dir/Index" 10 | grep '^figures ')
  figure best_ms "$line" && m_best=$REPLY
  if [ -n "$p2p" ]; then
    say "== modern document: 1 warm-up + $runs timed runs of pages2pdf -o OUT long.pages"
    m_wall=() m_user=() m_sys=() m_p2p_rss=() m_cpu_total=()
    for ((r = 0; r <= runs; r++)); do
      rm -rf "$scratch/out-modern" && mkdir "$scratch/out-modern"
      if ! /usr/bin/time -f '%e %U %S %M' -o "$scratch/modern.time" \
        "$p2p" -o "$scratch/out-modern" "$modern_doc" >/dev/null 2>"$scratch/pages2pdf.err"; then
        cat "$scratch/pages2pdf.err" >&2
        die "pages2pdf failed on the modern document"
      fi
      ((r > 0)) || continue
      read -r wall user sys kib <"$scratch/modern.time"
      m_wall+=("$wall") m_user+=("$user") m_sys+=("$sys") m_p2p_rss+=("$kib")
      m_cpu_total+=("$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')")
    done
    m_pdf_pages="" m_pictures=""
    if command -v pdfinfo >/dev/null; then
      m_pdf_pages=$(pdfinfo "$scratch/out-modern/long.pdf" | awk '/^Pages:/ { print $2 }')
    fi
    # Every picture once in the file however often it shows: placements against image objects
    # (pdfimages lists a soft mask as a row of its own).
    if command -v pdfimages >/dev/null; then
      m_pictures=$(pdfimages -list "$scratch/out-modern/long.pdf" |
        awk 'NR > 2 { if ($3 == "image") shown++; objects[$11 " " $3] = 1 }
             END { n = 0; for (o in objects) n++; printf "%d pictures shown, %d image objects", shown, n }')
    fi
  fi
fi

# --- many modern documents ---------------------------------------------------------------------
# Documents per second of one run with -j 1, with -j 2, and of two -j 1 processes at once over the
# two halves (against the one -j 1 run over all), with the peak memory of each process.
many_run() {  # NAME ARGS... -> one "wall kib" line per process in $scratch/many-NAME.time*
  local name=$1
  shift
  rm -rf "$scratch/out-many-$name"*
  if [ "$1" = two ]; then
    local half=$((${#many_docs[@]} / 2))
    mkdir "$scratch/out-many-$name-1" "$scratch/out-many-$name-2"
    /usr/bin/time -f '%e %M' -o "$scratch/many-$name.time1" \
      "$p2p" -j 1 -o "$scratch/out-many-$name-1" "${many_docs[@]:0:half}" >/dev/null 2>"$scratch/pages2pdf.err" &
    local first=$!
    /usr/bin/time -f '%e %M' -o "$scratch/many-$name.time2" \
      "$p2p" -j 1 -o "$scratch/out-many-$name-2" "${many_docs[@]:half}" >/dev/null 2>>"$scratch/pages2pdf.err" ||
      die "pages2pdf failed on the many workload"
    wait "$first" || die "pages2pdf failed on the many workload"
  else
    mkdir "$scratch/out-many-$name"
    /usr/bin/time -f '%e %M' -o "$scratch/many-$name.time1" \
      "$p2p" "$@" -o "$scratch/out-many-$name" "${many_docs[@]}" >/dev/null 2>"$scratch/pages2pdf.err" ||
      die "pages2pdf failed on the many workload"
  fi
}
if ((want_many)) && [ -n "$p2p" ]; then
  many_load_before=$(cut -d' ' -f1-3 /proc/loadavg)
  say "== $many_count modern documents: 1 warm-up + $runs rounds of -j 1, -j 2 and two -j 1 processes at once"
  declare -A many_walls=() many_rss=()
  for ((r = 0; r <= runs; r++)); do
    for name in j1 j2 two; do
      case $name in
      j1) many_run j1 -j 1 ;;
      j2) many_run j2 -j 2 ;;
      two) many_run two two ;;
      esac
      ((r > 0)) || continue
      # Two processes: the wall time is the later one's; memory is per process.
      wall=$(cat "$scratch/many-$name.time"* | awk '$1 > w { w = $1 } END { print w }')
      kib=$(cat "$scratch/many-$name.time"* | awk '$2 > k { k = $2 } END { print k }')
      many_walls[$name]+="$wall " many_rss[$name]+="$kib "
    done
  done
  got=$(find "$scratch/out-many-j2" -name '*.pdf' | wc -l)
  [ "$got" -eq "$many_count" ] || die "pages2pdf -j 2 wrote $got PDFs of $many_count"
  many_pages=0
  if command -v pdfinfo >/dev/null; then
    for f in "$scratch/out-many-j1"/*.pdf; do
      many_pages=$((many_pages + $(pdfinfo "$f" | awk '/^Pages:/ { print $2 }')))
    done
  fi
  many_load_after=$(cut -d' ' -f1-3 /proc/loadavg)
fi

# --- report ----------------------------------------------------------------------------------
declare -A goal=([large]=0.26 [batch]=0.20 [tiny]=0.60)
declare -A goal_text=(
  [large]="as fast as the fastest peer while checking CRC-32"
  [batch]="one call against a shell loop of unzip + cp"
  [tiny]="")
mem_goal_kib=8192
mem_ok=1
if ((${#workloads[@]})); then
  say ""
  say "== results: median of $runs rounds; ratio = median over rounds of (time / unzip's time in that round)"
  say "   wall = elapsed time (the goals); cpu = user + system time of the processes (less hurt by a busy machine)"
  printf '%-24s %-10s %9s %7s %9s %7s %10s   %s\n' workload tool wall ratio cpu ratio "peak RSS" "goal for pages2pdf"
  for w in "${workloads[@]}"; do
    name=${label_of[$w]}
    for tool in "${tools[@]}"; do
      verdict=""
      if [ "$tool" = pages2pdf ]; then
        if awk -v r="${ratio[$w,$tool]}" -v g="${goal[$w]}" 'BEGIN { exit !(r <= g) }'; then m=met; else m=MISSED; fi
        verdict="wall <= ${goal[$w]}x unzip: $m"
        [ -z "${goal_text[$w]}" ] || verdict+=" (${goal_text[$w]})"
        ((rss[$w,$tool] < mem_goal_kib)) || mem_ok=0
      fi
      printf '%-24s %-10s %7.3f s %6.2fx %7.3f s %6.2fx %6.1f MiB   %s\n' "$name" "$tool" \
        "$(awk -v t="${median[$w,$tool]}" 'BEGIN { print t / 1e6 }')" "${ratio[$w,$tool]}" \
        "$(awk -v t="${cpu[$w,$tool]}" 'BEGIN { print t / 1e6 }')" "${cpu_ratio[$w,$tool]}" \
        "$(awk -v k="${rss[$w,$tool]}" 'BEGIN { print k / 1024 }')" "$verdict"
      name=""
    done
  done
  if [ -n "$p2p" ]; then
    if ((mem_ok)); then m=met; else m=MISSED; fi
    say "peak memory of pages2pdf under 8 MiB in every workload: $m"
  fi
fi

if ((want_modern)); then
  say ""
  median_of "${m_first[@]}" && first=$REPLY
  median_of "${m_cpu[@]}" && first_cpu=$REPLY
  median_of "${m_pages[@]}" && first_pages=$REPLY
  median_of "${m_above[@]}" && above=$REPLY
  median_of "${m_ratio[@]}" && mem_ratio=$REPLY
  median_of "${m_rss[@]}" && whole_rss=$REPLY
  say "== modern document: $modern_doc, $(($(stat -c %s "$modern_doc") / 1000)) KB, $m_paragraphs paragraphs," \
    "$m_iwa MiB of IWA decompressed"
  say "   reading into the document model (bench_modern read: loading the objects + the model), median of $runs fresh processes:"
  if awk -v t="$first" 'BEGIN { exit !(t <= 100) }'; then m=met; else m=MISSED; fi
  printf '   first round   %7.1f ms wall  %6.1f ms cpu  %6.0f pages touched     goal <= 100 ms: %s\n' \
    "$first" "$first_cpu" "$first_pages" "$m"
  printf '   best of 10    %7.1f ms wall\n' "$m_best"
  if awk -v r="$mem_ratio" 'BEGIN { exit !(r < 4) }'; then m=met; else m=MISSED; fi
  printf '   peak memory   %7.1f MiB above the process before reading (%.2fx the IWA; %.1f MiB peak RSS in all)   goal < 4x: %s\n' \
    "$above" "$mem_ratio" "$(awk -v k="$whole_rss" 'BEGIN { print k / 1024 }')" "$m"
  if [ -n "$p2p" ]; then
    median_of "${m_wall[@]}" && wall=$REPLY
    median_of "${m_user[@]}" && user=$REPLY
    median_of "${m_sys[@]}" && sys=$REPLY
    median_of "${m_p2p_rss[@]}" && kib=$REPLY
    median_of "${m_cpu_total[@]}" && cpu_total=$REPLY
    say "   pages2pdf -o OUT long.pages (read, lay out, write the PDF), median of $runs runs:"
    printf '   end to end    %7.2f s wall  %6.2f s cpu (%.2f user + %.2f sys)  %6.1f MiB peak RSS  %s pages\n' \
      "$wall" "$cpu_total" "$user" "$sys" "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')" "${m_pdf_pages:-?}"
    [ -z "$m_pictures" ] || say "   in the PDF    $m_pictures"
    if awk -v t="$wall" 'BEGIN { exit !(t <= 1.5) }'; then m=met; else m=MISSED; fi
    say "   goal: 1,000 pages in at most 1.5 s wall: $m (cpu $cpu_total s; a busy machine stretches the wall time, not the cpu)"
    if ((kib <= 96 * 1024)); then m=met; else m=MISSED; fi
    say "   goal: peak RSS at most 96 MiB: $m"
  fi
fi
if ((want_many)) && [ -n "$p2p" ]; then
  say ""
  say "== $many_count modern documents ($many_pages pages in all), median of $runs rounds;" \
    "load average $many_load_before before, $many_load_after after, on $(nproc) CPUs"
  declare -A many_rate=()
  for name in j1 j2 two; do
    read -ra w <<<"${many_walls[$name]}"
    median_of "${w[@]}" && wall=$REPLY
    read -ra k <<<"${many_rss[$name]}"
    median_of "${k[@]}" && kib=$REPLY
    many_rate[$name]=$(awk -v n="$many_count" -v t="$wall" 'BEGIN { printf "%.1f", n / t }')
    case $name in
    j1) what="pages2pdf -j 1 (one job)" per_job=$kib ;;
    j2) what="pages2pdf -j 2 (two jobs)" per_job=$((kib / 2)) ;;
    two) what="two pages2pdf -j 1 at once" per_job=$kib ;;
    esac
    printf '   %-28s %7.2f s wall  %6s documents/s  %5.2fx -j 1   peak RSS %6.1f MiB a process, ~%.1f MiB a job\n' \
      "$what" "$wall" "${many_rate[$name]}" "$(awk -v a="${many_rate[$name]}" -v b="${many_rate[j1]}" 'BEGIN { print a / b }')" \
      "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')" "$(awk -v k="$per_job" 'BEGIN { print k / 1024 }')"
  done
  if awk -v a="${many_rate[j2]}" -v b="${many_rate[j1]}" 'BEGIN { exit !(a / b >= 1.8) }'; then m=met; else m=MISSED; fi
  say "   goal: -j 2 at least 1.8x the documents per second of -j 1 on 2 cores: $m" \
    "(other work on the machine takes its share of the cores)"
fi
if [ -z "$p2p" ]; then
  say "pages2pdf was not timed: build it (cmake --build $build_dir --target pages2pdf) and run again"
fi
