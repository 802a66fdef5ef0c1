#!/usr/bin/env bash
# Whole-program figures of Tarvel with a large menu table, measured the way a
# user meets them: a fresh Tarvel process each run, the table copied into its
# program folder with cp, windows mapped by a real X server (Xvfb), the local
# service growing its sample directory to N records (a 500-row category on
# the home menu, a full reload as the first update). Each run measures:
#
#   start   process start until the X server maps the button window (no
#           login: the table is first opened at the login; the copy synced
#           first, so that its write-back does not fall into the start);
#   menus   the login without a reload (the table opened and indexed, one bid
#           changed) until the home menu is mapped, and the peak RSS (VmHWM)
#           with the home menu and the 500-row submenu open;
#   reload  the login with a full reload (every record as a "U" line): the
#           time from the login's Return to the table's new date (the
#           update applied) and to the home menu mapped after it, and the
#           peak RSS once the home menu is open;
#   large   with the large category grown to 5,000 rows (the service and
#           the table made again): the time from sending the key Right (on
#           the home menu's first row; xdotool's start counted) to the
#           submenu mapped; then with 50,000 sites, each with an icon of its
#           own: the same time, the longest pause of Tarvel's event loop (no
#           repaint possible; Tarvel reports pauses over 100 ms) from the key
#           until 3 s after the map, and the icon files fetched by then.
#
# Prints the state measured in (records, table size, load), then one line a
# figure: median (range, runs). Not part of ctest: run by hand on a quiet
# machine. Defaults: 100,000 records, 5 runs.
#
#   program_figures.sh BIN_DIR [--records N] [--runs R] [--shots DIR]
#
# --shots keeps a screenshot of the first run's open submenu (and of any
# failure) in DIR.
set -uo pipefail

usage="usage: program_figures.sh BIN_DIR [--records N] [--runs R] [--shots DIR]"
BIN=${1:?$usage}
shift
RECORDS=100000 RUNS=5 SHOTS=""
while [ $# -gt 0 ]; do
    case "$1" in
    --records) RECORDS=${2:?$usage} && shift 2 ;;
    --runs) RUNS=${2:?$usage} && shift 2 ;;
    --shots) SHOTS=${2:?$usage} && shift 2 ;;
    *) echo "$usage" >&2 && exit 2 ;;
    esac
done
[[ "$RECORDS" =~ ^[0-9]+$ && "$RECORDS" -ge 1000 && "$RUNS" =~ ^[0-9]+$ && "$RUNS" -ge 1 ]] ||
    { echo "--records takes 1000 or more, --runs 1 or more" >&2 && exit 2; }
ROOT=$(cd "$(dirname "$0")/.." && pwd)

fail() {
    echo "FAILED: $*" >&2
    shot failure
    exit 1
}
for tool in Xvfb xdotool xev stdbuf import; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool is not installed" >&2 && exit 1; }
done
for prog in Tarvel tarvel-localservice; do
    [ -x "$BIN/$prog" ] || { echo "$BIN/$prog is missing" >&2 && exit 1; }
done
version=$(sed -n 's/.*kVersion\(Major\|Minor\|Revision\) = \([0-9]*\);.*/\2/p' \
    "$ROOT/core/modStartup.h" | paste -sd.)

WORK=$(mktemp -d "${TMPDIR:-/tmp}/tarvel-figures.XXXXXX")
[ -n "$SHOTS" ] && mkdir -p "$SHOTS"
xvfb_pid="" service_pid="" tarvel_pid="" watcher_pid=""
stop_pid() {
    local pid=$1
    [ -n "$pid" ] || return 0
    if kill -0 "$pid" 2>/dev/null; then
        kill -TERM "$pid" 2>/dev/null
        for _ in $(seq 1 20); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null
    fi
    wait "$pid" 2>/dev/null
}
cleanup() {
    # Only the processes this script started, by their ids.
    for pid in $tarvel_pid $service_pid $xvfb_pid $watcher_pid; do
        stop_pid "$pid"
    done
    rm -rf "$WORK"
}
trap cleanup EXIT

shot() {
    [ -n "$SHOTS" ] && [ -n "${DISPLAY:-}" ] && import -window root "$SHOTS/$1.png" 2>/dev/null
}
# Waits up to $2 seconds (default 10) for a shell condition, looking again
# every few milliseconds.
wait_for() {
    local until=$(($(now_ms) + ${2:-10} * 1000))
    while [ "$(now_ms)" -lt "$until" ]; do
        eval "$1" && return 0
        sleep 0.005
    done
    return 1
}
now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
t0=$(now_ms)
note() { echo "[$(($(now_ms) - t0)) ms] $*" >&2; }
mtime_ns() { stat -c %.9Y "$1" 2>/dev/null; }
status_kb() { sed -n "s/^$1:[[:space:]]*\([0-9]*\) kB/\1/p" "/proc/$tarvel_pid/status"; }

# --- the X server.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
    3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_for 'test -n "$(head -n 1 "$WORK/display" 2>/dev/null)"' 5 || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$WORK/display")"
# Every window mapped on the screen, with the time it was told: the start
# figure is read from here, so the looking for the button costs it nothing.
# The watcher ends with the X server.
(stdbuf -oL xev -root -event substructure 2>/dev/null |
    while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done) >"$WORK/maps.log" &
watcher_pid=$!


# --- the table and the service; $@: how the large category is shaped.
mkdir -p "$WORK/service"
service_port() { sed -n 's/^listening on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$WORK/service.log"; }
start_service() {
    stop_pid "$service_pid"
    "$BIN/tarvel-localservice" --make-database "$WORK/MenuItems.dat" --records "$RECORDS" "$@" ||
        fail "could not write the menu table"
    "$BIN/tarvel-localservice" --data "$WORK/service" --records "$RECORDS" "$@" \
        >"$WORK/service.log" 2>&1 &
    service_pid=$!
    wait_for 'test -n "$(service_port)"' 30 || fail "the service did not start: $(cat "$WORK/service.log")"
    host="127.0.0.1:$(service_port)"
}
start_service
table_mb=$(($(stat -c %s "$WORK/MenuItems.dat") / 1000000))

# A fresh installation: the table copied with cp, no icons yet, settings
# with the given LastUpdated stamp; then Tarvel started on it.
start_tarvel() {
    stop_pid "$tarvel_pid"
    rm -rf "$WORK/app" "$WORK/config" "$WORK/tmp"
    mkdir -p "$WORK/app/Tarvel/data" "$WORK/app/Tarvel/images" "$WORK/config/Tarvel" "$WORK/tmp"
    cp "$WORK/MenuItems.dat" "$WORK/app/Tarvel/data/MenuItems.dat"
    [ "${2:-}" = synced ] && sync
    printf '[Main]\nLastUpdated=%s\nVersion=%s\n' "$1" "$version" >"$WORK/config/Tarvel/Tarvel.ini"
    started_us=${EPOCHREALTIME/./}
    env XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/app" TMPDIR="$WORK/tmp" \
        TARVEL_APP_PATH="$WORK/app" TARVEL_REPORT_PAUSES=1 \
        TARVEL_BOOTSTRAP_HOST="$host" TARVEL_SERVER_HOST="$host" TARVEL_MEMBER_HOST="$host" \
        QT_QPA_PLATFORM=xcb "$BIN/Tarvel" >"$WORK/tarvel.log" 2>&1 &
    tarvel_pid=$!
}
# The time (microseconds) the X server told of the mapping of window $1 at or
# after the time $2; "" when not seen.
mapped_at() {
    sleep 0.2 # the watcher's line
    awk -v id="$(printf 'window 0x%x,' "$1")" -v after="$2" '
        /MapNotify/ { t = $1; sub(/\./, "", t); next }
        t != "" && index($0, id) && t + 0 >= after + 0 { found = t }
        { t = "" }
        END { print found }' "$WORK/maps.log"
}
# Tarvel's visible windows: "id width height name" lines.
windows() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$tarvel_pid" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)"
        echo "$id $WIDTH $HEIGHT $(xdotool getwindowname "$id" 2>/dev/null)"
    done
}
window_named() { windows | awk -v n="$1" '{ id = $1; $1 = $2 = $3 = ""; sub(/^ +/, ""); if ($0 == n) print id }' | head -n 1; }
# The home menu is the only window 165 pixels wide; a submenu is any other
# window of Tarvel but the button and the home menu.
menu_window() { windows | awk '$2 == 165 { print $1; exit }'; }
submenu_window() {
    windows | awk -v b="$button" -v m="$menu" '$1 != b && $1 != m && $2 != 165 { print $1; exit }'
}

# The large submenu: screen-high, unlike the tooltip that may show beside it.
large_window() {
    windows | awk -v b="$button" -v m="$menu" '$1 != b && $1 != m && $2 != 165 && $3 >= 600 { print $1; exit }'
}

login() {
    button=$(window_named Tarvel)
    eval "$(xdotool getwindowgeometry --shell "$button")"
    bx=$X by=$Y bw=$WIDTH bh=$HEIGHT
    xdotool mousemove "$((bx + bw / 2))" "$((by + bh / 2))" click 1
    wait_for 'test -n "$(window_named "Tarvel Login")"' || fail "the login window did not open"
    local w
    w=$(window_named 'Tarvel Login')
    eval "$(xdotool getwindowgeometry --shell "$w")"
    sleep 0.5 # its slide
    xdotool mousemove "$((X + WIDTH / 2))" "$((Y + 4))"
    xdotool type --delay 20 demo
    xdotool key Tab
    xdotool type --delay 20 demo
    login_us=${EPOCHREALTIME/./}
    login_ms=$((login_us / 1000))
    xdotool key Return
}
wait_home_menu() {
    wait_for 'test -n "$(menu_window)"' "$1" || fail "the home menu did not open: $(cat "$WORK/tarvel.log")"
    menu=$(menu_window)
    local at
    at=$(mapped_at "$menu" "$login_us")
    [ -n "$at" ] || fail "the home menu's mapping was not seen"
    menu_ms=$((at / 1000))
    sleep 0.4 # the rest of the slide
}

median_range() { # values on stdin: "median (min-max, n runs)"
    sort -n | awk '{ v[NR] = $1 } END {
        if (NR == 0) { print "no runs"; exit }
        m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "%g (%g-%g, %d runs)", m, v[1], v[NR], NR }'
}
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

today=$(date '+%-m/%-d/%Y %-I:%M:%S %p')
: >"$WORK/start" >"$WORK/start_rss" >"$WORK/menus" >"$WORK/menus_now" >"$WORK/login_ms" >"$WORK/home_now" >"$WORK/reload" \
    >"$WORK/reload_ms" >"$WORK/reload_menu_ms"
for ((run = 1; run <= RUNS; ++run)); do
    # 1. start to the button mapped.
    # The time the X server told of the button's mapping, after the start.
    # A light look now and then: the program starts on a machine at rest.
    start_tarvel "$today" synced
    for _ in $(seq 1 100); do
        sleep 0.1
        xdotool search --onlyvisible --pid "$tarvel_pid" --name '^Tarvel$' >/dev/null 2>&1 && break
    done
    mapped_us=$(mapped_at "$(window_named Tarvel)" "$started_us")
    [ -n "$mapped_us" ] || fail "the button's mapping was not seen"
    echo "$(((mapped_us - started_us) / 1000))" >>"$WORK/start"
    sleep 0.5
    status_kb VmHWM >>"$WORK/start_rss"

    note "run $run: button mapped"
    # 2. logged in (no reload), home menu and the 500-row submenu open: the
    # large category is the home menu's first row.
    login
    note "run $run: logging in"
    wait_home_menu 20
    echo "$((menu_ms - login_ms))" >>"$WORK/login_ms"
    note "run $run: home menu open"
    status_kb VmRSS >>"$WORK/home_now"
    eval "$(xdotool getwindowgeometry --shell "$menu")"
    xdotool mousemove "$((X + 60))" "$((Y + 10))"
    sleep 0.1
    xdotool mousemove "$((X + 62))" "$((Y + 11))"
    if ! wait_for 'test -n "$(submenu_window)"' 3; then
        note "run $run: the row's hover opened nothing; clicking it"
        xdotool click 1
        wait_for 'test -n "$(submenu_window)"' 5 || fail "the 500-row submenu did not open"
    fi
    sleep 1 # its slide and icons
    sub=$(submenu_window)
    eval "$(xdotool getwindowgeometry --shell "$sub")"
    [ "$HEIGHT" -ge 600 ] || fail "the submenu that opened is not the 500-row one (${WIDTH}x$HEIGHT)"
    note "run $run: submenu open"
    [ "$run" -eq 1 ] && shot submenu-open
    status_kb VmHWM >>"$WORK/menus"
    status_kb VmRSS >>"$WORK/menus_now"
    [ "$run" -eq 1 ] && cp "/proc/$tarvel_pid/smaps_rollup" "$WORK/menus_smaps" 2>/dev/null

    # 3. a login that reloads the whole table.
    start_tarvel "1/4/2000"
    wait_for 'test -n "$(window_named Tarvel)"' || fail "the button did not show"
    note "run $run: button mapped for the reload"
    before=$(mtime_ns "$WORK/app/Tarvel/data/MenuItems.dat")
    login
    # The writes move the file's date as they go; the new stamp is stored once
    # every change is in the file, and the table is dated right after it.
    wait_for '! grep -q "^LastUpdated=1/4/2000" "$WORK/config/Tarvel/Tarvel.ini"' 300 ||
        fail "the table was not updated"
    sleep 0.2
    updated_ns=$(mtime_ns "$WORK/app/Tarvel/data/MenuItems.dat")
    [ "$updated_ns" != "$before" ] || fail "the table was not dated"
    echo "$(((${updated_ns/./} / 1000 - login_us) / 1000))" >>"$WORK/reload_ms"
    note "run $run: table updated"
    wait_home_menu 60
    note "run $run: home menu open after the reload"
    echo "$((menu_ms - login_ms))" >>"$WORK/reload_menu_ms"
    grep -q '^LastUpdated=1/4/2000' "$WORK/config/Tarvel/Tarvel.ini" &&
        fail "the reload did not store a new stamp"
    status_kb VmHWM >>"$WORK/reload"
    stop_pid "$tarvel_pid"
    tarvel_pid=""
    note "run $run: done"
done

# 4. large categories: 5,000 rows, then 50,000 rows with an icon each.
# Opened with the keyboard (Down highlights the first row, Right opens it).
open_large() { # $1: file for the key-to-map times, $2: seconds to wait
    start_tarvel "$today" synced
    wait_for 'test -n "$(window_named Tarvel)"' || fail "the button did not show"
    login
    wait_home_menu 30
    xdotool key Down
    sleep 0.3
    log_lines=$(wc -l <"$WORK/tarvel.log")
    # From the start of the xdotool that sends the key: its own start-up (a
    # few milliseconds) is counted too.
    pressed=${EPOCHREALTIME/./}
    xdotool key Right
    wait_for 'test -n "$(large_window)"' "$2" || fail "the large submenu did not open"
    sub=$(large_window)
    at=$(mapped_at "$sub" "$pressed")
    [ -n "$at" ] || fail "the submenu's mapping was not seen"
    echo "$(((at - pressed) / 1000))" >>"$1"
}
: >"$WORK/open5k" >"$WORK/open50k" >"$WORK/pause50k" >"$WORK/icons50k"
start_service --large-rows 5000
for ((run = 1; run <= RUNS; ++run)); do
    open_large "$WORK/open5k" 10
    [ "$run" -eq 1 ] && shot large-5000
    note "run $run: 5,000-row category open"
done
start_service --large-rows 50000 --own-icons
for ((run = 1; run <= RUNS; ++run)); do
    open_large "$WORK/open50k" 60
    # The icons in sight arrive and the window is refilled; then a while more.
    sleep 3
    [ "$run" -eq 1 ] && shot large-50000
    tail -n +"$((log_lines + 1))" "$WORK/tarvel.log" |
        awk 'BEGIN { m = 0 } /^pause [0-9]+$/ && $2 > m { m = $2 } END { print m }' >>"$WORK/pause50k"
    find "$WORK/app/Tarvel/images" -name 'row*.gif' | wc -l >>"$WORK/icons50k"
    note "run $run: 50,000-row category open"
done
stop_pid "$tarvel_pid"
tarvel_pid=""

records=$(awk -v n="$RECORDS" 'BEGIN { printf "%d", n }')
state="$records records ($table_mb MB table copied with cp), fresh process, Xvfb 1024x768, $(nproc) cores, load $(uptime | sed 's/.*load average: //')"
to_mb() { while read -r kb; do mb "$kb" && echo; done; }
echo "state: $state"
echo "start to button mapped: $(median_range <"$WORK/start") ms; peak RSS then $(to_mb <"$WORK/start_rss" | median_range) MB"
echo "login (no reload: table opened and indexed, one bid changed) to home menu mapped: $(median_range <"$WORK/login_ms") ms"
echo "peak RSS logged in, home menu and 500-row submenu open: $(to_mb <"$WORK/menus" | median_range) MB (goal 60; resident with the home menu alone $(to_mb <"$WORK/home_now" | median_range) MB, with the submenu too $(to_mb <"$WORK/menus_now" | median_range) MB)"
echo "full reload (every record a \"U\" line), login to table updated: $(median_range <"$WORK/reload_ms") ms; to home menu shown $(median_range <"$WORK/reload_menu_ms") ms"
echo "peak RSS through the full reload, home menu open: $(to_mb <"$WORK/reload" | median_range) MB (goal 80)"
echo "5,000-row category, key Right sent to the submenu mapped: $(median_range <"$WORK/open5k") ms (goal 10)"
echo "50,000-site category, each site with its own icon: key sent to the submenu mapped $(median_range <"$WORK/open50k") ms (goal 1000); longest pause of the event loop from the key press until 3 s after the map $(median_range <"$WORK/pause50k") ms (goal 250; 0: none over 100 ms); icons fetched $(median_range <"$WORK/icons50k")"
if [ -s "$WORK/menus_smaps" ]; then
    echo "first run, submenu open, /proc/PID/smaps_rollup:"
    grep -E '^(Rss|Pss_Anon|Pss_File|Anonymous|Private_Clean|Private_Dirty|Shared_Clean)' "$WORK/menus_smaps" | sed 's/^/  /'
fi
[ -n "$SHOTS" ] && echo "screenshot of the open submenu: $SHOTS/submenu-open.png"
exit 0
