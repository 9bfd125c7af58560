#!/usr/bin/env bash
# Builds drvesk with its benchmarks, makes the diaries and runs every benchmark:
# the background index build and the index file's size, the in-process timings, the whole
# program under Xvfb. Raw output goes to $BUILD_DIR/bench-out/, a summary against the targets to the
# terminal (and summary.txt there).
#
#   bash bench/run.sh
#
# BUILD_DIR (default build-bench/), REPETITIONS (5), INDEX_RUNS (3), PROCESS_RUNS (11),
# PEERS_REPETITIONS (3), KEEP_REPETITIONS (3), PRINT_REPETITIONS (3) and BENCH_FILTER (all) change what it does.
# Run it on a quiet machine: the summary shows the load average before and after.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build-bench}
out=$build/bench-out
reps=${REPETITIONS:-5}
index_runs=${INDEX_RUNS:-3}
process_runs=${PROCESS_RUNS:-11}
filter=${BENCH_FILTER:-.}

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRVESK_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target drvesk gen_diary index_diary bench_drvesk bench_lookback bench_peers
mkdir -p "$out"
bin=$build/bench
schema=$here/data/schema.sql

{
  echo "date: $(date -u +%Y-%m-%dT%H:%M:%SZ)"
  echo "commit: $(git -C "$here" rev-parse --short HEAD 2>/dev/null || echo unknown)"
  echo "nproc: $(nproc)"
  echo "cpu: $(awk -F': ' '/^model name/{print $2; exit}' /proc/cpuinfo)"
  echo "memory: $(awk '/^MemTotal/{printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)"
  echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
} >"$out/machine.txt"

echo "== diaries"
"$bin/gen_diary" --schema "$schema" --out "$out/diary100.mdb" --years 100
"$bin/gen_diary" --schema "$schema" --out "$out/diary10.mdb" --years 10
"$bin/gen_diary" --schema "$schema" --out "$out/long50.mdb" --long50
# Only the day the program opens on, as the largest diary holds it: what start-up costs
# for showing an entry, apart from the diary's size.
"$bin/gen_diary" --schema "$schema" --out "$out/oneday.mdb" --only 261207

echo "== search index build in the background (DbOpen on a diary without one)"
"$bin/index_diary" "$out/diary100.mdb" "$index_runs" | tee "$out/index100.txt"
"$bin/index_diary" "$out/diary10.mdb" 1 | tee "$out/index10.txt"

echo "== in-process benchmarks, largest diary"
"$bin/bench_drvesk" --diary="$out/diary100.mdb" --long50="$out/long50.mdb" \
  --benchmark_filter="$filter" --benchmark_repetitions="$reps" \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$out/bench100.json" --benchmark_out_format=json | tee "$out/bench100.txt"

echo "== the year at a glance and the figures, largest diary"
"$bin/bench_lookback" --diary="$out/diary100.mdb" --benchmark_repetitions="$reps" \
  --benchmark_report_aggregates_only=true | tee "$out/lookback100.txt"

echo "== searches on the 10-year diary, for scale"
"$bin/bench_drvesk" --diary="$out/diary10.mdb" --long50="$out/long50.mdb" \
  --benchmark_filter='ActDate/largest|ActWd/(rare|nothing)|ScanWord/rare_5' \
  --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true | tee "$out/bench10.txt"

echo "== importing other programs' diaries of 36,600 days (PEERS_REPETITIONS, 3)"
# A case that writes fewer days than it should reports an error (checked at the end).
"$bin/bench_peers" --benchmark_repetitions="${PEERS_REPETITIONS:-3}" \
  --benchmark_report_aggregates_only=true | tee "$out/peers.txt" || true

echo "== whole program under Xvfb"
bash "$here/bench/process.sh" "$build/bin/drvesk" "$process_runs" \
  empty="$build/bin/apData/dbVesk.mdb" oneday="$out/oneday.mdb" \
  largest="$out/diary100.mdb" largest_noindex="$out/diary100.mdb" | tee "$out/process.txt"

echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)" >>"$out/machine.txt"

# Medians in milliseconds by benchmark name, from the console output.
medians() {
  awk '$1 ~ /_median$/ {
         name = $1; sub(/\/real_time_median$/, "", name)
         v = $2; u = $3
         if (u == "us") v /= 1000; else if (u == "ns") v /= 1e6; else if (u == "s") v *= 1000
         print name, v }' "$1"
}
value() { awk -F= -v k="$2" '$1 == k {print $2}' "$1"; }

{
  cat "$out/machine.txt"
  echo
  medians "$out/bench100.txt" | awk '
    { t[$1] = $2 }
    function row(what, v, target, ok) {
      printf "%-44s %12s  %-26s %s\n", what, v, target, ok ? "met" : "MISSED" }
    function ms(x) { return sprintf("%.3f ms", x) }
    END {
      d = t["ActDate/largest"]
      if (d != "") row("ActDate (50 latest, no index read)", ms(d), "reference", 1)
      n = split("rare_5chars rare_2chars rare_1char common_2chars common_1char nothing", w, " ")
      for (i = 1; i <= n; i++) {
        a = t["ActWd/" w[i]]
        if (a == "" || d == "") continue
        row("ActWd " w[i] " / ActDate", sprintf("%.2fx (%.2f ms)", a / d, a), "<= 1.2x", a / d <= 1.2)
      }
      c = t["DateClick/while_building"]
      if (c != "") row("click on another day while the index builds", ms(c), "<= 50 ms", c <= 50)
      n = split("SaveEntry/update SaveEntry/insert", save, " ")
      for (i = 1; i <= n; i++)
        if (t[save[i]] != "") row(save[i] " (durable, index updated)", ms(t[save[i]]), "<= 5 ms", t[save[i]] <= 5)
    }'
  # The same ratios from ActDate and ActWd run alternately in one benchmark.
  awk '$1 ~ /^ActWdOverActDate\/.*_median$/ {
      name = $1; sub(/^ActWdOverActDate\//, "", name); sub(/\/real_time_median$/, "", name)
      for (i = 2; i <= NF; i++) if ($i ~ /^ratio=/) { r = substr($i, 7) + 0 }
      printf "%-44s %12s  %-26s %s\n", "ActWd " name " / ActDate, side by side",
        sprintf("%.2fx", r), "<= 1.2x", r <= 1.2 ? "met" : "MISSED" }' "$out/bench100.txt"
  b=$(value "$out/index100.txt" index_build_median_s)
  r=$(value "$out/index100.txt" size_ratio)
  awk -v b="$b" -v r="$r" 'BEGIN {
    printf "%-44s %12s  %-26s %s\n", "index build, largest diary, background", b " s", "<= 10 s",
      b <= 10 ? "met" : "MISSED"
    printf "%-44s %12s  %-26s %s\n", "index file / diary", sprintf("%.3fx", r), "<= 0.5x",
      r <= 0.5 ? "met" : "MISSED" }'
  e=$(value "$out/process.txt" empty_start_ms_median)
  l=$(value "$out/process.txt" largest_noindex_start_ms_median)
  awk -v e="$e" -v l="$l" 'BEGIN {
    printf "%-44s %12s  %-26s %s\n", "start to mapped, largest no index / empty",
      sprintf("%.2fx", l / e), "<= 1.2x", l / e <= 1.2 ? "met" : "MISSED" }'
  echo
  echo "index build, largest diary: $(value "$out/index100.txt" index_build_median_s) s" \
    "(DbOpen returned after $(value "$out/index100.txt" open_median_ms) ms)," \
    "its terms merged after $(value "$out/index100.txt" index_merged_median_s) s"
  echo "diary: $(value "$out/index100.txt" diary_size) bytes before, " \
    "$(value "$out/index100.txt" diary_size_after) after; index: $(value "$out/index100.txt" index_size) bytes"
  for what in start_ms vmhwm_kb; do
    echo "$what: empty $(value "$out/process.txt" empty_${what}_median)," \
      "one day $(value "$out/process.txt" oneday_${what}_median)," \
      "largest $(value "$out/process.txt" largest_${what}_median)," \
      "largest with no index yet $(value "$out/process.txt" largest_noindex_${what}_median)"
  done
} | tee "$out/summary.txt"

# Export and import of the largest diary through the tools menu (KEEP_REPETITIONS, 3).
echo "== export and import, largest diary"
cmake --build "$build" -j2 --target bench_keep
"$bin/bench_keep" --diary="$out/diary100.mdb" \
  --benchmark_repetitions="${KEEP_REPETITIONS:-3}" --benchmark_report_aggregates_only=true |
  tee "$out/keep100.txt"
echo "load after export and import: $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$out/summary.txt"
awk '$1 ~ /_median$/ {
       name = $1; sub(/\/iterations:1\/real_time_median$/, "", name)
       v = $2; if ($3 == "s") v *= 1000
       gap = ""; for (i = 4; i <= NF; i++) if ($i ~ /^longest_gap_ms=/) gap = substr($i, 16)
       if (gap ~ /k$/) gap = substr(gap, 1, length(gap) - 1) * 1000
       target = name ~ /index_in_diary/ ? "(index inside the diary)" : "<= 5000 ms"
       ok = name ~ /index_in_diary/ ? "" : (v <= 5000 ? "met" : "MISSED")
       printf "%-44s %9.0f ms  longest gap %6s ms  %-26s %s\n", name, v, gap, target, ok }' \
  "$out/keep100.txt" | tee -a "$out/summary.txt"
if grep -h "ERROR OCCURRED" "$out/keep100.txt"; then
  echo "run.sh: export or import failed (above)" >&2
  exit 1
fi

# Each peer's whole import through the window, against its target.
awk '$1 ~ /_median$/ {
       name = $1; sub(/\/iterations:1\/real_time_median$/, "", name)
       v = $2; if ($3 == "s") v *= 1000
       gap = ""; for (i = 4; i <= NF; i++) if ($i ~ /^longest_gap_ms=/) gap = substr($i, 16)
       if (gap ~ /k$/) gap = substr(gap, 1, length(gap) - 1) * 1000
       if (name ~ /^Window\//)
         printf "%-44s %9.0f ms  longest gap %6s ms  %-26s %s\n", "import " name, v, gap,
           "<= 5000 ms", v <= 5000 ? "met" : "MISSED"
       else
         printf "%-44s %9.0f ms\n", "import " name " (read, plan, write)", v }' \
  "$out/peers.txt" | tee -a "$out/summary.txt"

# A benchmark that could not check its result reports an error instead of a time.
if grep -h "ERROR OCCURRED" "$out"/bench100.txt "$out"/bench10.txt "$out"/peers.txt; then
  echo "run.sh: some benchmarks failed (above)" >&2
  exit 1
fi

# A year (2026 of the 10-year diary) to PDF through "印刷…", in each direction.
echo "== print a year to PDF"
cmake --build "$build" -j2 --target bench_print
"$bin/bench_print" --diary="$out/diary10.mdb" \
  --benchmark_repetitions="${PRINT_REPETITIONS:-3}" --benchmark_report_aggregates_only=true |
  tee "$out/print.txt"
awk '$1 ~ /_median$/ {
       name = $1; sub(/\/iterations:1\/real_time_median$/, "", name)
       v = $2; if ($3 == "s") v *= 1000
       gap = ""; for (i = 4; i <= NF; i++) if ($i ~ /^longest_gap_ms=/) gap = substr($i, 16)
       printf "%-44s %9.0f ms  longest gap %6s ms  %-26s %s\n", name, v, gap, "<= 5000 ms",
         v <= 5000 ? "met" : "MISSED" }' "$out/print.txt" | tee -a "$out/summary.txt"
if grep -h "ERROR OCCURRED" "$out/print.txt"; then
  echo "run.sh: printing a year failed (above)" >&2
  exit 1
fi
