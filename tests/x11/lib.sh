# shellcheck shell=bash
# Shared by the X11 scenarios (tests/x11/t_*.sh, smoke.sh, install.sh):
# sourced, never run. It starts a real X server (Xvfb, 1024x768x24), a window
# manager when the scenario asks for one, the local service with its sample
# data and Tarvel in a temporary program folder with its own settings, and
# offers what scenarios drive and judge them with: windows, geometry, xdotool
# pointer and keys, _NET_WM_STATE, screenshots, the service's request log,
# what was handed to the browser and to Enlist.
#
# A scenario:
#   source "$(dirname "$0")/lib.sh"
#   x11_begin "$@"            # BIN_DIR OUT_DIR [WM]; WM: a desktop of start_wm
#   start_x; start_wm openbox; start_service; start_tarvel
#   login_demo                # button, login window, demo / demo, home menu
#   ... checks ... ; pass "what was shown"
#
# Exit codes: 0 passed, 1 failed, 77 skipped (only where Xvfb cannot start, a
# tool the suite needs is missing or the desktop asked for cannot start: a
# scenario never passes on a desktop it did not run on). Only the processes
# started here are ended, by their ids.

X11_SKIP=77
X11_PIDS=()
X11_WATCHDOG=""
X11_WORK=""
X11_SHOT_NO=0
X11_WM=none
X11_BUS=""
tarvel_pid=""
enlist_pid=""
service_pid=""

x11_skip() {
    echo "SKIPPED: $*"
    exit $X11_SKIP
}

fail() {
    echo "FAILED: $*" >&2
    shot failure
    if [ -n "$X11_WORK" ]; then
        [ -s "$X11_WORK/tarvel.log" ] && { echo "--- tarvel.log" >&2; tail -n 20 "$X11_WORK/tarvel.log" >&2; }
        [ -s "$X11_WORK/wm.log" ] && { echo "--- wm.log" >&2; tail -n 5 "$X11_WORK/wm.log" >&2; }
    fi
    exit 1
}

pass() {
    echo "PASSED ($X11_WM): $*"
    echo "screenshots in $OUT"
    exit 0
}

# x11_begin BIN_DIR OUT_DIR [WM]: arguments as ctest passes them; WM (or
# $X11_WM_OVERRIDE) is the window manager start_wm uses when given none.
x11_begin() {
    BIN=${1:?usage: $0 BIN_DIR OUT_DIR [openbox|xfwm4|none]}
    OUT=${2:?usage: $0 BIN_DIR OUT_DIR [openbox|xfwm4|none]}
    X11_WM_ARG=${3:-${X11_WM_OVERRIDE:-}}
    local tool prog
    for tool in Xvfb xdotool xprop import; do
        command -v "$tool" >/dev/null 2>&1 || x11_skip "$tool is not installed (scripts/setup.sh installs it)"
    done
    for prog in Tarvel tarvel-localservice; do
        [ -x "$BIN/$prog" ] || fail "$BIN/$prog is missing"
    done
    # xdotool types what it is given in the locale's encoding: a machine
    # without LANG (a fresh container) would make "Ж" an invalid sequence.
    export LC_ALL=C.UTF-8 LANG=C.UTF-8
    unset LANGUAGE
    X11_WORK=$(mktemp -d "${TMPDIR:-/tmp}/tarvel-x11.XXXXXX")
    mkdir -p "$OUT"
    rm -f "$OUT"/*.png
    trap x11_cleanup EXIT
    # A scenario that runs out of time fails with its screenshot, before
    # ctest's time-out (180 s) would end it without one. Bash runs the trap
    # once the step under way returns (every X tool call is bounded, below),
    # so the watchdog takes the screenshot itself first: a scenario stuck in
    # a long step still leaves what the screen showed.
    trap 'fail "the scenario did not end within ${X11_TIME_LIMIT:-150} s"' USR1
    local self=$$ limit=$((SECONDS + ${X11_TIME_LIMIT:-150}))
    (
        # By the clock: a count of short sleeps stretches under load.
        while [ "$SECONDS" -lt "$limit" ]; do sleep 1; done
        # (The server's display number: start_x came after this started.)
        d=$(head -n 1 "$X11_WORK/display" 2>/dev/null)
        [ -n "$d" ] && DISPLAY=":$d" timeout 10 import -window root "$OUT/timeout.png" 2>/dev/null
        kill -USR1 "$self"
    ) &
    X11_WATCHDOG=$! # not in X11_PIDS: scenarios know the X server as its first
}

# Every call of an X client is bounded: one that blocks (on a server busy
# with another client, a window gone while it was read) fails its step
# instead of holding the scenario until ctest's time-out.
xdotool() { timeout 20 xdotool "$@"; }
xwininfo() { timeout 10 xwininfo "$@"; }
xprop() { timeout 10 xprop "$@"; }
import() { timeout 15 import "$@"; }
convert() { timeout 15 convert "$@"; }
xrandr() { timeout 10 xrandr "$@"; }

# Ends one process started here: TERM, a second to go, then KILL.
x11_end_pid() {
    local pid=$1
    [ -n "$pid" ] || return 0
    if kill -0 "$pid" 2>/dev/null; then
        kill -TERM "$pid" 2>/dev/null
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null
    fi
    wait "$pid" 2>/dev/null
}

x11_cleanup() {
    local i
    trap - USR1 # the outcome is decided: no late time-out turns it
    [ -n "${X11_WATCHDOG:-}" ] && kill "$X11_WATCHDOG" 2>/dev/null
    # Latest first: the programs before the window manager before the server.
    for ((i = ${#X11_PIDS[@]} - 1; i >= 0; i--)); do
        x11_end_pid "${X11_PIDS[$i]}"
    done
    # X11_KEEP_LOGS=1 keeps the programs' logs beside the screenshots.
    if [ -n "$X11_WORK" ]; then
        [ -n "${X11_KEEP_LOGS:-}" ] && cp "$X11_WORK"/*.log "$OUT"/ 2>/dev/null
        # A scenario may have made part of it read-only (an installed prefix).
        chmod -R u+w "$X11_WORK" 2>/dev/null
        rm -rf "$X11_WORK"
    fi
}

# wait_for CONDITION [SECONDS]: evaluates the shell condition every 0.1 s until
# it holds (0) or SECONDS (default 10) have passed by the clock (1): on a
# loaded machine one look at the windows can take a second, and a wait
# counted in looks would last minutes. The condition is looked at once more
# at the end.
wait_for() {
    local deadline=$((${EPOCHREALTIME/./} + ${2:-10} * 1000000))
    while [ "${EPOCHREALTIME/./}" -lt "$deadline" ]; do
        eval "$1" && return 0
        sleep 0.1
    done
    eval "$1"
}

# shot NAME: the whole screen as OUT/<n>-NAME.png.
shot() {
    [ -n "${DISPLAY:-}" ] && [ -n "${OUT:-}" ] || return 0
    X11_SHOT_NO=$((X11_SHOT_NO + 1))
    import -window root "$OUT/$X11_SHOT_NO-$1.png" 2>/dev/null
    return 0
}

# --- the X server and the desktop -----------------------------------------------

# shellcheck source=desktop.sh
source "$(dirname "${BASH_SOURCE[0]}")/desktop.sh"

# --- the local service -------------------------------------------------------

# start_service [ARGS...]: the sample service on a free port, every request
# logged to $X11_WORK/requests.log; sets $host ("127.0.0.1:<port>").
start_service() {
    mkdir -p "$X11_WORK/service"
    timeout 120 "$BIN/tarvel-localservice" --make-database "$X11_WORK/service/MenuItems.dat" ||
        fail "could not write the sample menu table"
    : >"$X11_WORK/requests.log"
    "$BIN/tarvel-localservice" --data "$X11_WORK/service" \
        --request-log "$X11_WORK/requests.log" "$@" >"$X11_WORK/service.log" 2>&1 &
    service_pid=$!
    X11_PIDS+=("$service_pid")
    wait_for 'test -n "$(x11_service_port)"' ||
        fail "the local service did not start: $(cat "$X11_WORK/service.log")"
    host="127.0.0.1:$(x11_service_port)"
}
# stop_service: the local service goes away (requests then fail).
stop_service() { x11_end_pid "$service_pid"; }
x11_service_port() { sed -n 's/^listening on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$X11_WORK/service.log"; }

# requests [PATTERN]: the requests received so far ("METHOD target body" a
# line), those matching the grep pattern when one is given.
requests() {
    if [ $# -gt 0 ]; then grep -e "$1" "$X11_WORK/requests.log"; else cat "$X11_WORK/requests.log"; fi
}
request_count() { grep -c -e "$1" "$X11_WORK/requests.log"; }

# --- the programs ------------------------------------------------------------

# The program folder $X11_WORK/app, the data folders under $X11_WORK/data-home
# (Tarvel/data/ with the sample table, Tarvel/images/), settings in
# $X11_WORK/config, and stand-ins that record what Tarvel hands
# over: xdg-open (the browser) into opened.log, Enlist into enlist.log (set
# X11_REAL_ENLIST=1 before start_tarvel to put the real Enlist there).
x11_prepare_programs() {
    [ -d "$X11_WORK/app" ] && return 0
    mkdir -p "$X11_WORK/app" "$X11_WORK/data-home/Tarvel/data" "$X11_WORK/data-home/Tarvel/images" \
        "$X11_WORK/config/Tarvel" "$X11_WORK/tmp" "$X11_WORK/stubs"
    chmod 700 "$X11_WORK/data-home/Tarvel" "$X11_WORK/data-home/Tarvel/data" \
        "$X11_WORK/data-home/Tarvel/images"
    cp "$X11_WORK/service/MenuItems.dat" "$X11_WORK/data-home/Tarvel/data/MenuItems.dat"
    [ -f "$X11_WORK/config/Tarvel/Tarvel.ini" ] ||
        printf '[Main]\nLastUpdated=1/4/2000\n' >"$X11_WORK/config/Tarvel/Tarvel.ini"
    : >"$X11_WORK/opened.log"
    : >"$X11_WORK/enlist.log"
    printf '#!/bin/sh\necho "$*" >>"%s"\n' "$X11_WORK/opened.log" >"$X11_WORK/stubs/xdg-open"
    chmod +x "$X11_WORK/stubs/xdg-open"
    if [ "${X11_REAL_ENLIST:-0}" = 1 ]; then
        ln -sf "$BIN/Enlist" "$X11_WORK/app/Enlist"
    else
        printf '#!/bin/sh\necho "$*" >>"%s"\n' "$X11_WORK/enlist.log" >"$X11_WORK/app/Enlist"
        chmod +x "$X11_WORK/app/Enlist"
    fi
}

# Runs a program with the scenario's settings, folders and hosts, in place of
# the calling (sub)shell, so that a background start's $! is the program's.
x11_exec() {
    exec env XDG_CONFIG_HOME="$X11_WORK/config" XDG_DATA_HOME="$X11_WORK/data-home" \
        TMPDIR="$X11_WORK/tmp" \
        TARVEL_APP_PATH="$X11_WORK/app" TARVEL_BOOTSTRAP_HOST="$host" TARVEL_SERVER_HOST="$host" \
        TARVEL_MEMBER_HOST="$host" PATH="$X11_WORK/stubs:$PATH" QT_QPA_PLATFORM=xcb "$@"
}

# start_desktop WM: what most scenarios begin with: the X server, the window
# manager WM (the test's own argument overrides it), the local service with
# its sample data, and Tarvel showing its button.
start_desktop() {
    start_x
    start_wm "$1"
    start_service
    start_tarvel
}

# start_tarvel [ARGS...]: Tarvel in the background ($tarvel_pid), output in
# $X11_WORK/tarvel.log; waits for its button ($button, $bx $by $bw $bh).
start_tarvel() {
    x11_prepare_programs
    (x11_exec "$BIN/Tarvel" "$@") >"$X11_WORK/tarvel.log" 2>&1 &
    tarvel_pid=$!
    X11_PIDS+=("$tarvel_pid")
    wait_for 'test -n "$(window_named Tarvel)"' || fail "the button did not show"
    button=$(window_named Tarvel)
    geom "$button"
    bx=$X by=$Y bw=$WIDTH bh=$HEIGHT
}

# start_enlist [ARGS...]: the real Enlist in the background ($enlist_pid).
start_enlist() {
    x11_prepare_programs
    (x11_exec "$BIN/Enlist" "$@") >"$X11_WORK/enlist-run.log" 2>&1 &
    enlist_pid=$!
    X11_PIDS+=("$enlist_pid")
}

# start_other_program [GEOMETRY]: another client's window (xlogo, default
# 200x200+600+100) to click on and activate; sets $other (its window id).
start_other_program() {
    command -v xlogo >/dev/null || fail "xlogo is missing (x11-apps)"
    xlogo -geometry "${1:-200x200+600+100}" >"$X11_WORK/xlogo.log" 2>&1 &
    X11_PIDS+=($!)
    wait_for 'test -n "$(xdotool search --onlyvisible --class xlogo 2>/dev/null | head -n 1)"' ||
        fail "xlogo did not show"
    other=$(xdotool search --onlyvisible --class xlogo | head -n 1)
    sleep 0.3 # placed by the window manager
}

opened() { cat "$X11_WORK/opened.log"; }      # what the browser was asked to open
enlist_calls() { cat "$X11_WORK/enlist.log"; } # how the Enlist stand-in was started
tarvel_alive() { kill -0 "$tarvel_pid" 2>/dev/null; }

# --- windows -----------------------------------------------------------------

# windows [PID]: visible windows of the process (default Tarvel), "id name"
# a line, in stacking order as xdotool finds them.
windows() {
    local id
    for id in $(xdotool search --onlyvisible --pid "${1:-$tarvel_pid}" 2>/dev/null); do
        echo "$id $(xdotool getwindowname "$id" 2>/dev/null)"
    done
}
# window_named NAME [PID]: the first visible window with exactly that title.
window_named() {
    windows "${2:-}" | awk -v n="$1" '{ id = $1; $1 = ""; sub(/^ /, ""); if ($0 == n) print id }' |
        head -n 1
}
# geom ID: sets X Y WIDTH HEIGHT (screen coordinates of the window itself).
# (xwininfo's absolute position: xdotool counts a window manager's title bar
# twice for a decorated window.)
geom() {
    X="" Y="" WIDTH="" HEIGHT=""
    eval "$(xwininfo -id "$1" 2>/dev/null | awk -F: '
        /Absolute upper-left X/ { printf "X=%d\n", $2 }
        /Absolute upper-left Y/ { printf "Y=%d\n", $2 }
        /^ *Width/ { printf "WIDTH=%d\n", $2 }
        /^ *Height/ { printf "HEIGHT=%d\n", $2 }')"
}
# geometry ID: "x y w h", for messages and arithmetic.
geometry() {
    geom "$1"
    echo "$X $Y $WIDTH $HEIGHT"
}
# The home menu: the visible Tarvel window 165 pixels wide (no other is).
menu_window() {
    local id name
    windows | while read -r id name; do
        geom "$id"
        if [ "$WIDTH" = 165 ]; then
            echo "$id"
            break
        fi
    done
}
# window_type ID: the window's _NET_WM_WINDOW_TYPE atoms, one a line.
window_type() {
    xprop -id "$1" _NET_WM_WINDOW_TYPE 2>/dev/null | sed -n 's/^.*= //p' | tr ',' '\n' | tr -d ' '
}
# The shown tooltip window of Tarvel, if any.
tooltip_window() {
    local id name
    windows | while read -r id name; do
        if window_type "$id" | grep -q _NET_WM_WINDOW_TYPE_TOOLTIP; then
            echo "$id"
            break
        fi
    done
}
# The shown pop-up menu of Tarvel (a context menu or an open drop-down
# list), if any: a viewable override-redirect child of the root window that
# is not the tooltip.
# (Only Tarvel's shown windows are looked at, one at a time: a look at every
# window of the screen took seconds on a desktop with a full panel.)
popup_menu_window() {
    local id info
    for id in $(xdotool search --onlyvisible --pid "$tarvel_pid" 2>/dev/null); do
        info=$(xwininfo -id "$id" 2>/dev/null)
        echo "$info" | grep -q 'IsViewable' || continue
        echo "$info" | grep -q 'Override Redirect State: yes' || continue
        window_type "$id" | grep -q _TOOLTIP && continue
        echo "$id"
        break
    done
}
# The shown submenus and form panel: visible Tarvel windows other than the
# button, the home menu, the tooltip and pop-up menus, "id x y w h" a line,
# in the order xdotool lists them.
menu_levels() {
    local id name home
    home=$(menu_window)
    windows | while read -r id name; do
        [ "$id" = "$button" ] || [ "$id" = "$home" ] && continue
        window_type "$id" | grep -qE '_(TOOLTIP|POPUP_MENU|DROPDOWN_MENU|DIALOG)$' && continue
        geom "$id"
        [ "$WIDTH" = 165 ] && continue # the home menu
        echo "$id $X $Y $WIDTH $HEIGHT"
    done
}
# new_level KNOWN_IDS...: the id of a shown level not among those given
# (the one that has just opened), empty when none.
new_level() {
    local id known
    for id in $(menu_levels | awk '{ print $1 }'); do
        for known in "$@"; do [ "$id" = "$known" ] && continue 2; done
        echo "$id"
        return
    done
}
# open_level PARENT ROW KNOWN_IDS...: rests on a category row until its level
# opens (and has slid in); prints the new level's id, fails when none opens.
open_level() {
    local parent=$1 row=$2 lvl=""
    shift 2
    X11_KNOWN_LEVELS=("$parent" "$@")
    hover_row "$parent" "$row"
    # Rows answer moves, as a hand gives them: a pointer that came to rest
    # while the window still slid under it (a loaded machine) is nudged once.
    if ! wait_for 'lvl=$(new_level "${X11_KNOWN_LEVELS[@]}"); test -n "$lvl"' 2; then
        nudge
        wait_for 'lvl=$(new_level "${X11_KNOWN_LEVELS[@]}"); test -n "$lvl"' 10 ||
            fail "row $row of window $parent opened no level"
    fi
    settled "$lvl"
    echo "$lvl"
}
window_count() { windows "$@" | wc -l; }
mapped() { xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }

# net_wm_state ID: the window's _NET_WM_STATE atoms, one a line.
net_wm_state() {
    xprop -id "$1" _NET_WM_STATE 2>/dev/null | sed -n 's/^.*= //p' | tr ',' '\n' | tr -d ' '
}
has_state() { net_wm_state "$1" | grep -qx "$2"; } # has_state ID _NET_WM_STATE_SKIP_TASKBAR

# --- pointer and keys ----------------------------------------------------------

move() { xdotool mousemove "$1" "$2"; }          # move X Y
nudge() { xdotool mousemove_relative -- 1 0; }   # a pixel to the right, where the pointer is
# glide X Y [STEPS]: the pointer travels there in steps (default 6), as a hand
# moves it: the windows it crosses see several moves, not one jump.
glide() {
    local n=${3:-6} i cx cy PX="" PY=""
    eval "$(xdotool getmouselocation --shell 2>/dev/null | grep -E '^(X|Y)=' | sed 's/^/P/')"
    cx=${PX:-$1} cy=${PY:-$2}
    for ((i = 1; i <= n; i++)); do
        xdotool mousemove "$((cx + ($1 - cx) * i / n))" "$((cy + ($2 - cy) * i / n))"
        sleep 0.02
    done
}
click() { xdotool mousemove "$1" "$2" click "${3:-1}"; } # click X Y [BUTTON]
right_click() { click "$1" "$2" 3; }
press_keys() { xdotool key --delay 80 "$@"; }    # press_keys Down Down Right
type_text() { xdotool type --delay 30 "$1"; }
# (Where the button is now: a panel that comes later moves it.)
click_button() {
    geom "$button"
    [ -n "$X" ] && bx=$X by=$Y bw=$WIDTH bh=$HEIGHT
    click "$((bx + bw / 2))" "$((by + bh / 2))"
}
# Pointer onto the middle of row N (0 first) of a menu window (the home menu
# or a submenu not scrolled): rows are 20 pixels high from the window's top.
row_y() { geom "$1"; echo "$((Y + $2 * 20 + 10))"; }
move_to_row() { # move_to_row ID N (gliding there)
    geom "$1"
    glide "$((X + WIDTH / 2))" "$((Y + $2 * 20 + 10))"
}

# hover_row ID N: the pointer goes into the window level with where it is
# (so that it crosses no other row on the way), then along to row N and
# rests there: a category row then opens its child after the hover delay.
hover_row() {
    local tx ty
    geom "$1"
    tx=$((X + WIDTH / 2)) ty=$((Y + $2 * 20 + 10))
    local PX="" PY=""
    eval "$(xdotool getmouselocation --shell 2>/dev/null | grep -E '^(X|Y)=' | sed 's/^/P/')"
    if [ "${PY:-0}" -gt "$Y" ] && [ "${PY:-0}" -lt "$((Y + HEIGHT))" ]; then
        glide "$tx" "$PY"
    fi
    # Along the column in one step, then a pixel more: gliding over the rows
    # between, a loaded machine let the pointer rest on one of them past the
    # opener's delay, which opened that row's level instead.
    move "$tx" "$ty"
    sleep 0.05
    move "$((tx + 1))" "$ty"
}

# --- the main road ---------------------------------------------------------------

# login_demo [SECONDS]: button, login window, demo / demo; waits (10 s, or
# SECONDS) for the home menu ($menu) and for it to finish its slide.
login_demo() {
    send_demo_login
    # (Twenty seconds: a sanitizer build beside other scenarios logs in slowly.)
    wait_for 'test -n "$(menu_window)"' "${1:-20}" || fail "the home menu did not open after the login"
    wait_for 'test -z "$(window_named "Tarvel Login")"' || fail "the login window stayed open"
    menu=$(menu_window)
    settled "$menu"
}
# send_demo_login: button, login window, demo / demo and Return; sets $login
# (the login window, which has the keyboard) and returns at once.
send_demo_login() {
    click_button
    wait_for 'test -n "$(window_named "Tarvel Login")"' || fail "the login window did not open"
    login=$(window_named 'Tarvel Login')
    sleep 0.5 # its slide
    geom "$login"
    # The name box has the focus (no remembered names); the pointer rests on
    # the window. Under a window manager the window is activated first, as a
    # click on it would (clicks on the login window are a matter of their
    # own scenarios).
    move "$((X + WIDTH / 2))" "$((Y + 4))"
    if [ "$X11_WM" != none ]; then
        xdotool windowactivate "$login" 2>/dev/null
        wait_for 'test "$(xdotool getactivewindow 2>/dev/null)" = "$login"' 2
    fi
    sleep 0.3
    type_text demo
    xdotool key Tab
    type_text demo
    xdotool key Return
}

# --- long transfers (t_reload_*.sh, t_long_transfer_stop.sh) ---------------------

# table_file, settings_file: the menu table and the settings Tarvel uses.
table_file() { echo "$X11_WORK/data-home/Tarvel/data/MenuItems.dat"; }
settings_file() { echo "$X11_WORK/config/Tarvel/Tarvel.ini"; }
# stored_stamp: Main/LastUpdated as stored.
stored_stamp() { sed -n 's/^LastUpdated=//p' "$(settings_file)" | head -n 1; }
# spool_files: what a menu update left beside the table ("" when nothing).
spool_files() { ls "$X11_WORK/data-home/Tarvel/data/" | grep '^MenuItems\.upd'; }

# settled ID: waits (up to 5 s) until the window has stopped moving: its
# slide is over, however slow the machine.
settled() {
    local before="" now deadline=$((${EPOCHREALTIME/./} + 5000000))
    sleep 0.3
    while [ "${EPOCHREALTIME/./}" -lt "$deadline" ]; do
        now=$(xwininfo -id "$1" 2>/dev/null | grep -E 'Absolute|Height' | tr -d ' \n')
        [ -n "$now" ] && [ "$now" = "$before" ] && return 0
        before=$now
        sleep 0.2
    done
    return 0
}

# --- the login window ------------------------------------------------------------

# open_login: a click on the button (logged out) opens the login window;
# waits for its slide and sets $login and its geometry lx ly lw lh.
open_login() {
    click_button
    wait_for 'test -n "$(window_named "Tarvel Login")"' || fail "the login window did not open"
    login=$(window_named 'Tarvel Login')
    sleep 0.5 # its slide
    geom "$login"
    lx=$X ly=$Y lw=$WIDTH lh=$HEIGHT
}
# login_link_point N: "x y" on the words "Click here" of link N (0 new
# account, 1 forgotten password), which lie at the window's left below the
# remember box (3030 x 2010 twips; the links start 240 twips in, their rows
# at 1440 and 1680 twips from the top, 255 high).
login_link_point() {
    local top=$((1440 + $1 * 240 + 127))
    echo "$((lx + lw * 480 / 3030)) $((ly + lh * top / 2010))"
}
# box_button_point ID: "x y" on the right-most button of a message box (its
# default, OK when it has one): its button row sits at the lower right.
# (xwininfo: for a window the manager has framed, xdotool's geometry is off
# by the frame.)
box_button_point() {
    local info x y w h
    info=$(xwininfo -id "$1" 2>/dev/null)
    x=$(echo "$info" | sed -n 's/^ *Absolute upper-left X: *//p')
    y=$(echo "$info" | sed -n 's/^ *Absolute upper-left Y: *//p')
    w=$(echo "$info" | sed -n 's/^ *Width: *//p')
    h=$(echo "$info" | sed -n 's/^ *Height: *//p')
    echo "$((x + w - 50)) $((y + h - 24))"
}

# --- the news wait box and window pixels (t_news_wait_box.sh) --------------------

# news_row_index: the home menu row (0 first) of News in the demo user's menu:
# the shortcuts, a separator, My Tarvel, News, Favorites, then the search strip.
news_row_index() {
    geom "$menu"
    echo "$(((HEIGHT - 40) / 20 - 2))"
}
# wait_box_window: a visible Tarvel window on the screen, no higher than two
# rows, other than the button and the home menu (the wait box), or "".
wait_box_window() {
    local id name home
    home=$(menu_window)
    windows | while read -r id name; do
        [ "$id" = "$button" ] || [ "$id" = "$home" ] && continue
        geom "$id"
        if [ "${HEIGHT:-99}" -le 40 ] && [ "${WIDTH:-0}" -gt 40 ] && [ "${X:--1}" -ge 0 ] &&
            [ "${Y:--1}" -ge 0 ]; then
            echo "$id"
            break
        fi
    done
}
# window_colours ID: how many colours the window's pixels hold (a blank
# window one or two, one with text many). An unpainted window shows what lies
# beneath it (Xvfb keeps no backing store), so see window_main_colour too.
window_colours() {
    import -window "$1" "$X11_WORK/window.png" 2>/dev/null &&
        convert "$X11_WORK/window.png" -format '%k' info: 2>/dev/null
}
# window_main_colour ID: "R G B" of the colour most of the window's pixels have.
window_main_colour() {
    import -window "$1" "$X11_WORK/window.png" 2>/dev/null &&
        convert "$X11_WORK/window.png" -format %c histogram:info: 2>/dev/null | sort -rn |
        head -n 1 | sed -n 's/^[^(]*( *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*$/\1 \2 \3/p'
}

# --- Enlist's wizard (t_enlist_clicks_during_request.sh) -------------------------

# wait_enlist_wizard: the id of Enlist's wizard window once it shows.
wait_enlist_wizard() {
    wait_for 'test -n "$(window_named "Welcome to Tarvel" "$enlist_pid")"' || return 1
    window_named "Welcome to Tarvel" "$enlist_pid"
}
# enlist_click ID X Y: a click at X Y inside the window's client area.
enlist_click() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
}
