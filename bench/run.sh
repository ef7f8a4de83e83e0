#!/usr/bin/env bash
# Builds the benchmarks in build-bench (Release), generates the input
# scripts in a temporary folder, runs every measurement side by side with
# what it is compared to, and prints a table of medians and ratios.
#
#   bash bench/run.sh [ROUNDS]      (default 7 rounds of each measurement)
#
# Each round runs the two sides of a comparison back to back, so a busy
# machine slows both; the table gives the median of each side over the
# rounds and the ratio of the medians. The figures are wall times of whole
# processes unless the row says "in-process".
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
rounds=${1:-7}
build="$root/build-bench"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target walltime read_bench save_bench startup_bench >/dev/null
bin="$build/bench"
wt="$bin/walltime"

tmp=$(mktemp -d "${TMPDIR:-/var/tmp}/wevelbench.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

# A startup script of N world lines in the writer's form, after the settings
# lines; the values vary from line to line.
generate() {
    awk -v n="$1" 'BEGIN {
        split("tiny lp diku lpp aber", types, " ")
        print "; ~/.wevelrc generated for the benchmarks"
        print "/visual on"; print "/set isize=3"; print "/more off"
        print "/redef on"; print "/set matching=glob"; print "/lcd ~/scripts"
        for (i = 1; i <= n; i++)
            printf "/addworld -T\047%s\047 world%d c%d p%d h%d.example.org %d\n",
                types[i % 5 + 1], i, (i * 7) % 10007, (i * 13) % 9973, i % 5000,
                1024 + (i * 31) % 9000
    }'
}
mkdir -p "$tmp/home-none" "$tmp/home-100k" "$tmp/home-1m" "$tmp/save"
generate 1000000 >"$tmp/home-1m/.wevelrc"
generate 100000 >"$tmp/home-100k/.wevelrc"
big="$tmp/home-1m/.wevelrc"
bigBytes=$(stat -c %s "$big")
cat "$big" "$tmp/home-100k/.wevelrc" >/dev/null # warm the page cache

# Samples are kept one file per measured quantity, one value a line.
sample() { echo "$2" >>"$tmp/s.$1"; }
med() { sort -g "$tmp/s.$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
field() { awk -v k="$1" '{ for (i = 1; i < NF; i++) if ($i == k) print $(i + 1) }'; }

for ((r = 1; r <= rounds; r++)); do
    echo "round $r of $rounds" >&2

    # 1. Reading, warm cache.
    read -r w c m < <("$wt" wc -l "$big")
    sample wc.wall "$w"; sample wc.cpu "$c"
    out=$("$wt" --keep-output "$bin/read_bench" "$big" 2>/dev/null)
    read -r w c m < <(tail -n1 <<<"$out")
    sample load.wall "$w"; sample load.cpu "$c"; sample load.rss "$m"
    sample load.inproc "$(head -n1 <<<"$out" | awk '{ for (i = 1; i < NF; i++) { if ($i == "read_ms") a = $(i + 1); if ($i == "parse_ms") b = $(i + 1) } print a + b }')"
    read -r w c m < <("$wt" "$bin/read_bench" "$tmp/home-none/.wevelrc" 2>/dev/null)
    sample empty.rss "$m"

    # 2. Saving 1,000,000 worlds, against a copy of the same size with fsync.
    rm -f "$tmp/copy"
    read -r w c m < <("$wt" dd if="$big" of="$tmp/copy" bs=1M conv=fsync status=none)
    sample dd.wall "$w"
    out=$("$bin/save_bench" "$root/resources/template.wevelrc" "$big" "$tmp/save/.wevelrc" atomic)
    sample atomic.total "$(field total_ms <<<"$out")"; sample atomic.fill "$(field fill_ms <<<"$out")"
    out=$("$bin/save_bench" "$root/resources/template.wevelrc" "$big" "$tmp/save/.wevelrc" backup)
    sample backup.total "$(field total_ms <<<"$out")"

    # 3. Start-up to the first painted window.
    read -r w c m < <("$wt" "$bin/startup_bench" bare 2>/dev/null)
    sample bare.wall "$w"
    read -r w c m < <(HOME="$tmp/home-none" "$wt" "$bin/startup_bench" app 2>/dev/null)
    sample none.wall "$w"; sample none.rss "$m"
    read -r w c m < <(HOME="$tmp/home-100k" "$wt" "$bin/startup_bench" app 2>/dev/null)
    sample k100.wall "$w"
    read -r w c m < <(HOME="$tmp/home-1m" "$wt" "$bin/startup_bench" app 2>/dev/null)
    sample m1.wall "$w"; sample m1.rss "$m"
done

# Scrolling to the last world and selecting it, in-process, 100k against 1M.
scroll100k=$(HOME="$tmp/home-100k" "$bin/startup_bench" scroll "$rounds" 2>/dev/null)
scroll1m=$(HOME="$tmp/home-1m" "$bin/startup_bench" scroll "$rounds" 2>/dev/null)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v x="$1" -v t="$2" 'BEGIN { print (x <= t) ? "met" : "MISSED" }'; }
row() { printf "%-58s %12s %12s %8s %8s %7s\n" "$@"; }

loadWall=$(med load.wall); wcWall=$(med wc.wall)
loadIn=$(med load.inproc)
loadRatio=$(ratio "$loadWall" "$wcWall"); loadInRatio=$(ratio "$loadIn" "$wcWall")
loadCpuRatio=$(ratio "$(med load.cpu)" "$(med wc.cpu)")
ddWall=$(med dd.wall)
atomicRatio=$(ratio "$(med atomic.total)" "$ddWall"); backupRatio=$(ratio "$(med backup.total)" "$ddWall")
k100Ratio=$(ratio "$(med k100.wall)" "$(med none.wall)"); noneRatio=$(ratio "$(med none.wall)" "$(med bare.wall)")
m1Ratio=$(ratio "$(med m1.wall)" "$(med none.wall)")
memDelta=$(( $(med load.rss) - $(med empty.rss) ))
memRatio=$(ratio "$((memDelta * 1024))" "$bigBytes")
appMemDelta=$(( $(med m1.rss) - $(med none.rss) ))
appMemRatio=$(ratio "$((appMemDelta * 1024))" "$bigBytes")
s100=$(field scroll_select_ms <<<"$scroll100k"); s1m=$(field scroll_select_ms <<<"$scroll1m")

echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), kernel $(uname -r)"
echo "Input: 1,000,000 worlds = $bigBytes bytes; 100,000 worlds = $(stat -c %s "$tmp/home-100k/.wevelrc") bytes; $rounds rounds, medians"
echo
row "Measurement" "measured" "compared to" "ratio" "target" "result"
row "1. load 1M (read_bench, process) vs wc -l, ms" "$loadWall" "$wcWall" "$loadRatio" "8" "$(verdict "$loadRatio" 8)"
row "   load 1M in-process (readWholeFile+loadScript) vs wc -l" "$loadIn" "$wcWall" "$loadInRatio" "8" "$(verdict "$loadInRatio" 8)"
row "   load 1M vs wc -l, CPU time (user+sys), ms" "$(med load.cpu)" "$(med wc.cpu)" "$loadCpuRatio" "-" "-"
row "2. save 1M: fill + writeFileAtomically vs dd fsync, ms" "$(med atomic.total)" "$ddWall" "$atomicRatio" "2" "$(verdict "$atomicRatio" 2)"
row "   save 1M: fill + saveWithBackup vs dd fsync, ms" "$(med backup.total)" "$ddWall" "$backupRatio" "-" "-"
row "   the fill alone, into a sink that keeps nothing, vs dd, ms" "$(med atomic.fill)" "$(med dd.wall)" "-" "-" "-"
row "3. start-up 100k worlds vs no script, ms" "$(med k100.wall)" "$(med none.wall)" "$k100Ratio" "1.5" "$(verdict "$k100Ratio" 1.5)"
row "   start-up no script vs bare QMainWindow, ms" "$(med none.wall)" "$(med bare.wall)" "$noneRatio" "1.3" "$(verdict "$noneRatio" 1.3)"
row "   start-up 1M worlds vs no script, ms" "$(med m1.wall)" "$(med none.wall)" "$m1Ratio" "-" "-"
row "   scroll to last + select, in-process: 1M vs 100k, ms" "$s1m" "$s100" "$(ratio "$s1m" "$s100")" "~1" "-"
row "   cells asked for by that scroll: 1M vs 100k" "$(field scroll_cells_max <<<"$scroll1m")" "$(field scroll_cells_max <<<"$scroll100k")" "-" "-" "-"
row "   cells asked for up to the first paint: 1M vs 100k" "$(field startup_cells <<<"$scroll1m")" "$(field startup_cells <<<"$scroll100k")" "-" "-" "-"
row "4. load 1M peak RSS minus empty vs script size, KiB" "$memDelta" "$((bigBytes / 1024))" "$memRatio" "4" "$(verdict "$memRatio" 4)"
row "   app start-up 1M peak RSS minus no script vs size, KiB" "$appMemDelta" "$((bigBytes / 1024))" "$appMemRatio" "4" "$(verdict "$appMemRatio" 4)"
echo
echo "Vertical header of the world table: $(field row_resize_mode <<<"$scroll1m" | sed 's/^0$/Interactive/;s/^2$/Fixed/') resize mode, $(field row_section_size <<<"$scroll1m") px rows; last row selected: $(field last_selected <<<"$scroll1m")"
