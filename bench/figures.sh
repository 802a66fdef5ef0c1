#!/usr/bin/env bash
# Every figure of the performance page (docs/performance.md), measured in one run and
# written as that section (markdown): the window benchmarks and start-up under
# a private Xvfb, the menu table engine beside shapelib and the floor
# (bench_table_peer), and the whole program (program_figures.sh). Nothing is
# carried over from an earlier run; the load the machine carried at the start
# and the end is stated with the figures. Where single times swing with the
# load, the figure that is judged is a ratio taken in the same rotation.
#
#   figures.sh BIN_DIR [--records N] [--big N] [--rounds R] [--big-rounds R]
#              [--runs R] [--readme FILE] [--out FILE]
#
# --records: the table of bench_table_peer and program_figures.sh (100000);
# --big: a second, larger table for bench_table_peer (1000000; 0: none);
# --rounds: fresh-process rounds of bench_table_peer (5); --big-rounds: the
# same for the larger table (3; a round there takes minutes);
# --runs: runs of program_figures.sh (3);
# --readme: replace the block between the performance markers in FILE
# (docs/performance.md);
# --out: also keep the section in FILE. The section goes to stdout too.
# Takes about three quarters of an hour at the defaults (--big 0: a quarter); run on a machine that is
# as quiet as it gets (nice -n -5 helps beside other work).
set -uo pipefail

usage="usage: figures.sh BIN_DIR [--records N] [--big N] [--rounds R] [--big-rounds R] [--runs R] [--readme FILE] [--out FILE]"
BIN=${1:?$usage}
shift
RECORDS=100000 BIG=1000000 ROUNDS=5 BIG_ROUNDS=3 RUNS=3 README="" OUT=""
while [ $# -gt 0 ]; do
    case "$1" in
    --records) RECORDS=${2:?$usage} && shift 2 ;;
    --big) BIG=${2:?$usage} && shift 2 ;;
    --rounds) ROUNDS=${2:?$usage} && shift 2 ;;
    --big-rounds) BIG_ROUNDS=${2:?$usage} && shift 2 ;;
    --runs) RUNS=${2:?$usage} && shift 2 ;;
    --readme) README=${2:?$usage} && shift 2 ;;
    --out) OUT=${2:?$usage} && shift 2 ;;
    -h | --help) echo "$usage" && exit 0 ;;
    *) echo "$usage" >&2 && exit 2 ;;
    esac
done
for n in "$RECORDS" "$BIG" "$ROUNDS" "$BIG_ROUNDS" "$RUNS"; do
    [[ "$n" =~ ^[0-9]+$ ]] || { echo "$usage" >&2 && exit 2; }
done
BEGIN_MARK='<!-- performance figures: written by bench/figures.sh, do not edit by hand -->'
END_MARK='<!-- end of performance figures -->'
if [ -n "$README" ]; then
    [ "$(grep -cxF "$BEGIN_MARK" "$README")" = 1 ] && [ "$(grep -cxF "$END_MARK" "$README")" = 1 ] ||
        { echo "$README does not hold the two performance markers once each" >&2 && exit 2; }
fi
HERE=$(cd "$(dirname "$0")" && pwd)
for prog in bench_menus bench_submenu bench_slide bench_form bench_store bench_startup \
    bench_table_peer Tarvel bare_window tarvel-localservice; do
    [ -x "$BIN/$prog" ] || { echo "$BIN/$prog is missing (build the bench targets)" >&2 && exit 1; }
done
command -v Xvfb >/dev/null || { echo "Xvfb is not installed" >&2 && exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/tarvel-allfigures.XXXXXX")
xvfb_pid=""
cleanup() {
    # Only the X server this script started, by its id.
    if [ -n "$xvfb_pid" ]; then
        kill -TERM "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT
say() { echo "[figures $(date -u +%H:%M:%S)] $*" >&2; }
load() { cut -d' ' -f1-3 /proc/loadavg; }
load_start=$(load)
started=$(date -u '+%Y-%m-%d %H:%M UTC')

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do
    [ -n "$(head -n 1 "$WORK/display" 2>/dev/null)" ] && break
    sleep 0.05
done
[ -n "$(head -n 1 "$WORK/display")" ] || { echo "Xvfb did not start" >&2 && exit 1; }
XDISPLAY=":$(head -n 1 "$WORK/display")"

# --- Google Benchmark programs: three repetitions in one fresh process, the
# median kept (CSV, one line a benchmark).
gbench() { # $1 program, $2 filter
    say "$1 $2"
    env DISPLAY="$XDISPLAY" QT_QPA_PLATFORM=xcb "$BIN/$1" --benchmark_filter="$2" \
        --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
        --benchmark_format=csv 2>"$WORK/$1.err" | grep '_median"' >>"$WORK/gbench.csv" ||
        { say "$1 failed: $(tail -n 3 "$WORK/$1.err")"; }
}
: >"$WORK/gbench.csv"
value() { # BENCHMARK COLUMN [counter position after the fixed columns]
    awk -F, -v name="\"$1_median\"" -v col="$2" -v extra="${3:-0}" '
        $1 != name { next }
        col == "real_time" { printf "%.3g", $3; found = 1; exit }
        { printf "%.3g", $(10 + extra); found = 1; exit }
        END { if (!found) printf "?" }' "$WORK/gbench.csv"
}

gbench bench_menus 'BM_FillAndPaint30Rows|BM_PaintHighlight'
# One run a set of benchmarks with the same counters (the CSV needs them).
gbench bench_submenu 'BM_SubmenuFillAndPaint100Rows'
gbench bench_submenu 'BM_SubmenuPaintOnly100Rows|BM_SubmenuHighlight|BM_SubmenuScrollOneRow'
gbench bench_submenu 'BM_OpenerToFirstFrame'
gbench bench_slide 'BM_SlideScreenHigh/19'
gbench bench_form 'BM_BuildFormToFirstFrame'
gbench bench_store 'BM_EngineIndexMemory'
say "bench_startup"
env DISPLAY="$XDISPLAY" QT_QPA_PLATFORM=xcb "$BIN/bench_startup" \
    --benchmark_filter='BM_ProcessStartToButtonShown|BM_StartCpuBesideABareWindow|BM_IdleCpu' \
    --benchmark_counters_tabular=false >"$WORK/startup.txt" 2>"$WORK/startup.err"
startup_line=$(grep '^start-up CPU' "$WORK/startup.err")
start_ratio=$(sed -n 's/.*ratio \([0-9.]*\) (goal.*/\1/p' <<<"$startup_line")
start_tarvel=$(sed -n 's/.*: Tarvel \([0-9.]*\) ms.*/\1/p' <<<"$startup_line")
start_bare=$(sed -n 's/.*bare Qt window \([0-9.]*\) ms.*/\1/p' <<<"$startup_line")
start_wall=$(awk '/^BM_ProcessStartToButtonShown/ { print $2; exit }' "$WORK/startup.txt")
start_main=$(sed -n 's/.*main_to_shown_ms=\([0-9.]*[a-z]*\).*/\1/p' "$WORK/startup.txt" | head -n 1)
# What the loader maps for each side: the libraries the start-up's CPU time
# is spent loading and relocating before main.
libs_of() { ldd "$1" 2>/dev/null | grep -c '=>'; }
libs_tarvel=$(libs_of "$BIN/Tarvel")
libs_bare=$(libs_of "$BIN/bare_window")
curl_lib=$(ldd "$BIN/Tarvel" 2>/dev/null | sed -n 's/.*libcurl[^ ]* => \([^ ]*\) .*/\1/p' | head -n 1)
libs_curl=$([ -n "$curl_lib" ] && libs_of "$curl_lib" || echo 0)
idle_cpu=$(sed -n 's/.*cpu_ms_per_idle_s=\([0-9.]*[a-z]*\).*/\1/p' "$WORK/startup.txt" | head -n 1)

peer() { # $1 records, $2 rounds
    say "bench_table_peer --records $1 --rounds $2"
    "$BIN/bench_table_peer" --records "$1" --rounds "$2" >"$WORK/peer-$1.txt" 2>"$WORK/peer-$1.err" ||
        say "bench_table_peer failed: $(tail -n 3 "$WORK/peer-$1.err")"
}
peer "$RECORDS" "$ROUNDS"
[ "$BIG" -gt 0 ] && peer "$BIG" "$BIG_ROUNDS"

say "program_figures.sh --records $RECORDS --runs $RUNS"
"$HERE/program_figures.sh" "$BIN" --records "$RECORDS" --runs "$RUNS" >"$WORK/program.txt" 2>"$WORK/program.err" ||
    say "program_figures.sh failed: $(tail -n 3 "$WORK/program.err")"
load_end=$(load)

# --- the section.
fmt() { awk -v n="$1" 'BEGIN { printf "%s", (n == "" ? "?" : n) }'; }
# goal VALUE LIMIT: "met" or "**not met**"
goal() { awk -v v="$1" -v l="$2" 'BEGIN { print (v != "" && v != "?" && v + 0 <= l + 0) ? "met" : "**not met**" }'; }
# The engine's lines: "state measure ours peer floor toFloor toPeer".
peer_rows() {
    sed -n 's/^\([a-z]*\) *\([a-z]*\) *this engine *\([0-9.]*\) ms, shapelib *\([0-9.]*\) ms, floor *\([0-9.]*\) ms; engine\/floor \([0-9.]*\), engine\/shapelib \([0-9.]*\)$/\1 \2 \3 \4 \5 \6 \7/p' "$1"
}
declare -A peer_goal=([open]=1.5 [category]=1.5 [update]=1.5 [reload]=2.0)
declare -A peer_name=([open]="open + index + first 500-row category" [category]="500-row category read (rows as text)"
    [update]="10,000-line update (overwrites, bids, inserts, deletes)" [reload]="full reload, every record sent again as a \"U\" line")
unmet=()
declare -A kinds=()
peer_table() { # $1 records
    local f="$WORK/peer-$1.txt"
    [ -s "$f" ] || { echo "(bench_table_peer did not run at $1 records)" && return; }
    echo "| measure | state | engine / floor | goal | engine / shapelib | engine | shapelib | floor |"
    echo "|---|---|---|---|---|---|---|---|"
    while read -r state what ours shp floor tofloor topeer; do
        local g=${peer_goal[$what]}
        local verdict
        verdict=$(goal "$tofloor" "$g")
        [ "$verdict" = met ] || { unmet+=("${peer_name[$what]}, $state, $1 records: $tofloor x the floor (goal $g)") && kinds[$what]=1; }
        echo "| ${peer_name[$what]} | $state | $tofloor ($verdict) | ≤ $g | $topeer | $ours ms | $shp ms | $floor ms |"
    done < <(peer_rows "$f")
    sed -n 's/^peak RSS \([a-z]*\) *this engine *\([0-9.]*\) MB, shapelib *\([0-9.]*\) MB, floor *\([0-9.]*\) MB$/\1 \2 \3 \4/p' "$f" |
        awk '{ e = e sep $2; s = s sep $3; f = f sep $4; sep = " / " }
             END { printf "\nPeak RSS of the process (open / category / update / reload): engine %s MB, shapelib %s MB, floor %s MB.\n", e, s, f }'
}
program_value() { grep -m1 "^$1" "$WORK/program.txt" | sed "s/^$1//"; }
median_of() { sed -n 's/^ *\([0-9.]*\) (.*/\1/p' <<<"$1"; }

open5k=$(value BM_OpenerToFirstFrame/3 real_time)
open50k=$(value BM_OpenerToFirstFrame/4 real_time)
pause_line=$(program_value '50,000-site category, each site with its own icon: ')
pause50k=$(sed -n 's/.*until 3 s after the map \([0-9.]*\) (.*/\1/p' <<<"$pause_line")
map50k=$(sed -n 's/^key sent to the submenu mapped \([0-9.]*\) (.*/\1/p' <<<"$pause_line")
[ "$(goal "$start_ratio" 1.5)" = met ] || { unmet+=("start-up: $start_ratio x a bare Qt 6 window's CPU (goal 1.5)") && kinds[start]=1; }
[ "$(goal "$open5k" 10)" = met ] || unmet+=("5,000-row category, opener to the child's first frame: $open5k ms (goal 10)")
[ "$(goal "$pause50k" 250)" = met ] || unmet+=("50,000-row category: longest pause of the event loop $pause50k ms (goal 250)")
[ "$(goal "$map50k" 1000)" = met ] || unmet+=("50,000-row category: key to the submenu mapped $map50k ms (goal 1000)")

# A window figure against its goal (ms): "V ms", flagged and listed when over.
row_ms() { # NAME VALUE GOAL
    if [ "$(goal "$2" "$3")" = met ]; then
        echo "$2 ms"
    else
        echo "$2 ms (**not met**)"
    fi
}
for check in "fill and paint a 30-row home menu|BM_FillAndPaint30Rows|2" "one highlight paint|BM_PaintHighlight|0.5" \
    "fill and paint a 100-row submenu|BM_SubmenuFillAndPaint100Rows|2" "one submenu highlight paint|BM_SubmenuHighlight|0.5" \
    "opener to a 30-row child's first frame|BM_OpenerToFirstFrame/20|5" "a form panel to its first frame|BM_BuildFormToFirstFrame|3"; do
    IFS='|' read -r label bm limit <<<"$check"
    v=$(value "$bm" real_time)
    [ "$(goal "$v" "$limit")" = met ] || { unmet+=("$label: $v ms (goal $limit)") && kinds[window]=1; }
done

section() {
    echo "$BEGIN_MARK"
    echo "## Performance"
    echo
    echo "Every figure below comes from one run of \`bench/figures.sh build/bin\` ($started, RelWithDebInfo"
    echo "build, $(nproc) processors, load average $load_start at the start and $load_end at the end;"
    echo "the machine is shared, so single times swing with what runs beside them and the goals are"
    echo "judged on ratios taken in the same rotation where they can be). The window figures run under a"
    echo "private Xvfb (1024x768, \`QT_QPA_PLATFORM=xcb\`): each is the median of three repetitions in one"
    echo "fresh benchmark process, which repeats the measured step many times."
    echo
    echo "### Windows and start-up"
    echo
    echo "| what | goal | measured |"
    echo "|---|---|---|"
    echo "| index memory of the menu table (\`bench_store\`) | ≤ 32 bytes a record | $(value BM_EngineIndexMemory counter 1) bytes a record |"
    echo "| fill and paint a 30-row home menu (\`bench_menus\`) | ≤ 2 ms | $(row_ms x "$(value BM_FillAndPaint30Rows real_time)" 2) |"
    echo "| one highlight paint | ≤ 0.5 ms | $(row_ms x "$(value BM_PaintHighlight real_time)" 0.5) |"
    echo "| fill and paint a 100-row submenu from the menu table (\`bench_submenu\`) | ≤ 2 ms | $(row_ms x "$(value BM_SubmenuFillAndPaint100Rows real_time)" 2) ($(value BM_SubmenuPaintOnly100Rows real_time) ms of it painting) |"
    echo "| one submenu highlight paint | ≤ 0.5 ms | $(row_ms x "$(value BM_SubmenuHighlight real_time)" 0.5) |"
    echo "| submenu opener: timer fired to the child's first painted frame, 30-row child | ≤ 5 ms | $(row_ms x "$(value BM_OpenerToFirstFrame/20 real_time)" 5) |"
    echo "| the same, 5,000-row child (icons missing) | ≤ 10 ms | $open5k ms ($(goal "$open5k" 10)) |"
    echo "| the same, 50,000-row child (icons missing) | | $open50k ms |"
    echo "| one row of hover scrolling in a long submenu | | $(value BM_SubmenuScrollOneRow real_time) ms |"
    echo "| slide open a screen-high menu at speed 19 (\`bench_slide\`, 10 ms steps) | about 0.4 s | $(awk -v v="$(value BM_SlideScreenHigh/19/iterations:3/manual_time real_time)" 'BEGIN { printf "%.2f", v / 1000 }') s |"
    echo "| read and build a form panel to its first painted frame (\`bench_form\`) | ≤ 3 ms | $(row_ms x "$(value BM_BuildFormToFirstFrame real_time)" 3) |"
    echo "| start-up CPU, exec to the button exposed, beside a bare Qt 6 window (\`bench_startup\`, fresh processes in turn) | ≤ 1.5x | $(fmt "$start_ratio")x ($(goal "$start_ratio" 1.5)): $(fmt "$start_tarvel") against $(fmt "$start_bare") ms |"
    echo "| shared libraries loaded at start (\`ldd\`) | | Tarvel $libs_tarvel, the bare window $libs_bare; libcurl alone brings $libs_curl |"
    echo "| process start to button shown | ≤ 150 ms | $(fmt "$start_wall") ms ($(fmt "$start_main") ms of it from \`main\`) |"
    echo "| idle CPU with the button shown | no busy waiting | $(fmt "$idle_cpu") ms a second |"
    echo
    echo "### Whole program under X11 (\`bench/program_figures.sh\`)"
    echo
    echo "A fresh Tarvel each time on a table copied with \`cp\`, under Xvfb, against the local service"
    echo "with its sample directory grown to the table's records (a 500-row category heads the home menu;"
    echo "the first update is a full reload); times from the X server's map notices, memory from the"
    echo "process's peak RSS. Median (range, runs):"
    echo
    if [ -s "$WORK/program.txt" ]; then
        grep -v '^ \|^first run\|^screenshot' "$WORK/program.txt" | sed 's/^/- /'
    else
        echo "- (program_figures.sh did not complete: $(tail -n 1 "$WORK/program.err"))"
    fi
    echo
    echo "### Menu table engine beside the floor and shapelib (\`bench_table_peer\`)"
    echo
    echo "\`bench_table_peer [--records N] [--rounds R] [--states cp,onewrite,evicted]\` writes a table of"
    echo "the menu layout with shapelib and runs each measure in a fresh process for this engine, for"
    echo "shapelib and for the floor (the least work that gives the same answer: \`mmap\` and parse for"
    echo "reads, parse the lines and \`pwrite\` the same bytes in file order for writes), in rotating"
    echo "order, in three page-cache states of the copy: written by \`cp\`, by one \`write()\`, and dropped"
    echo "from the cache after the copy (\`evicted\`). Ratios are medians of the per-round ratios; times"
    echo "are medians."
    echo
    echo "$RECORDS records, $ROUNDS round(s):"
    echo
    peer_table "$RECORDS"
    if [ "$BIG" -gt 0 ]; then
        echo
        echo "$BIG records, $BIG_ROUNDS round(s):"
        echo
        peer_table "$BIG"
    fi
    echo
    echo "### Goals not met in this run"
    echo
    if [ ${#unmet[@]} -eq 0 ]; then
        echo "None."
    else
        printf -- '- %s\n' "${unmet[@]}"
        echo
        [ -n "${kinds[start]:-}" ] && echo "Start-up: before \`main\` the loader maps and relocates $libs_tarvel shared libraries for Tarvel against $libs_bare for the bare window; libcurl, linked for every HTTP request of both programs, brings $libs_curl of its own (TLS, HTTP/2, IDN, LDAP, Kerberos). Loading it by hand at the first request hides the dependency from the packaging tools, so it stays linked." && echo
        [ -n "${kinds[reload]:-}" ] && echo "Full reload: the floor copies each line's bytes into its record; the engine decodes the line as the server's text (UTF-16), checks every field (numbers, flags, the bid) and fits it into the record, and asks the index whether the record already holds the line's id and parent before it writes the record without reading it. \`perf record build/bin/bench_table_peer --child ours reload TABLE N\` (with BENCH_KEEP=1 the table stays) shows where the time goes." && echo
        [ -n "${kinds[window]:-}" ] && echo "Window figures: each is one process's repeated step, in time as the clock runs; on this shared machine they grow with the load the run met (above), and they are not ratios to a floor taken beside them." && echo
        [ -n "${kinds[open]:-}${kinds[category]:-}" ] && echo "Open and category read: the engine reads records through a bounded window with \`pread\` (its memory does not grow with the table) where the floor maps the whole file; at small tables the fixed cost of the window and the index dominates the ratio." && echo
    fi
    echo "$END_MARK"
}
# The tables first (they fill unmet), then the section as a whole.
section >"$WORK/section.md"
cat "$WORK/section.md"
[ -n "$OUT" ] && cp "$WORK/section.md" "$OUT"
if [ -n "$README" ]; then
    awk -v b="$BEGIN_MARK" -v e="$END_MARK" -v f="$WORK/section.md" '
        $0 == b { while ((getline line < f) > 0) print line; skip = 1; next }
        $0 == e { skip = 0; next }
        !skip' "$README" >"$WORK/readme" && cat "$WORK/readme" >"$README"
    say "wrote the section into $README"
fi
exit 0
