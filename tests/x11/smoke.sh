#!/usr/bin/env bash
# End-to-end check of Tarvel on a real X server (Xvfb), where pointer grabs and
# window mapping are real, against the local service with its sample data:
#
#   1. Tarvel starts and shows its button;
#   2. a click on the button opens the login window; demo / demo logs in;
#   3. the home menu opens above the button;
#   4. a click on the desktop closes it;
#   5. a second click on the button opens it again.
#
# Each state is checked (windows mapped or gone, where they stand) and shot
# into OUT as a PNG. Exit 77 (skipped) where no X server can start.
#
#   smoke.sh BIN_DIR OUT_DIR
set -uo pipefail

BIN=${1:?usage: smoke.sh BIN_DIR OUT_DIR}
OUT=${2:?usage: smoke.sh BIN_DIR OUT_DIR}
SKIP=77

skip() {
    echo "SKIPPED: $*"
    exit $SKIP
}
fail() {
    echo "FAILED: $*" >&2
    shot failure
    exit 1
}

for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (scripts/setup.sh installs it)"
done
for prog in Tarvel tarvel-localservice; do
    [ -x "$BIN/$prog" ] || fail "$BIN/$prog is missing"
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/tarvel-x11.XXXXXX")
mkdir -p "$OUT"
rm -f "$OUT"/*.png
xvfb_pid="" service_pid="" tarvel_pid=""
cleanup() {
    # Only the processes this script started, by their ids.
    for pid in $tarvel_pid $service_pid $xvfb_pid; do
        if kill -0 "$pid" 2>/dev/null; then
            kill -TERM "$pid" 2>/dev/null
            for _ in 1 2 3 4 5 6 7 8 9 10; do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            kill -KILL "$pid" 2>/dev/null
        fi
        wait "$pid" 2>/dev/null
    done
    rm -rf "$WORK"
}
trap cleanup EXIT

# --- the X server: Xvfb picks a free display number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
    3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
xvfb_pid=$!
display=""
for _ in $(seq 1 50); do
    display=$(head -n 1 "$WORK/display" 2>/dev/null)
    [ -n "$display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
[ -n "$display" ] || skip "Xvfb could not start: $(tail -n 3 "$WORK/xvfb.log" | tr '\n' ' ')"
export DISPLAY=":$display"
xdotool getdisplaygeometry >/dev/null 2>&1 || skip "the X server on $DISPLAY does not answer"

shot_no=0
shot() {
    shot_no=$((shot_no + 1))
    [ -n "${DISPLAY:-}" ] && import -window root "$OUT/$(printf '%d' "$shot_no")-$1.png" 2>/dev/null
}

# Waits up to 10 s for a shell condition (evaluated afresh each time).
wait_for() {
    for _ in $(seq 1 100); do
        eval "$1" && return 0
        sleep 0.1
    done
    return 1
}

# --- the local service and an installed program folder.
mkdir -p "$WORK/app" "$WORK/data/Tarvel/data" "$WORK/config/Tarvel" "$WORK/service" "$WORK/tmp"
"$BIN/tarvel-localservice" --make-database "$WORK/service/MenuItems.dat" ||
    fail "could not write the sample menu table"
cp "$WORK/service/MenuItems.dat" "$WORK/data/Tarvel/data/MenuItems.dat"
printf '[Main]\nLastUpdated=1/4/2000\n' >"$WORK/config/Tarvel/Tarvel.ini"

"$BIN/tarvel-localservice" --data "$WORK/service" >"$WORK/service.log" 2>&1 &
service_pid=$!
service_port() { sed -n 's/^listening on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$WORK/service.log"; }
wait_for 'test -n "$(service_port)"' || fail "the local service did not start: $(cat "$WORK/service.log")"
host="127.0.0.1:$(service_port)"

# --- Tarvel.
# The Welcome page of a first start goes to a "browser" that accepts it
# (true), not to a box saying no browser could be started.
env XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data" TMPDIR="$WORK/tmp" \
    TARVEL_APP_PATH="$WORK/app" BROWSER=true \
    TARVEL_BOOTSTRAP_HOST="$host" TARVEL_SERVER_HOST="$host" TARVEL_MEMBER_HOST="$host" \
    QT_QPA_PLATFORM=xcb "$BIN/Tarvel" >"$WORK/tarvel.log" 2>&1 &
tarvel_pid=$!

# Visible windows of Tarvel: "id name" lines.
windows() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$tarvel_pid" 2>/dev/null); do
        echo "$id $(xdotool getwindowname "$id" 2>/dev/null)"
    done
}
window_named() { windows | awk -v n="$1" '{ id = $1; $1 = ""; sub(/^ /, ""); if ($0 == n) print id }' | head -n 1; }
# The home menu: the visible window 165 pixels wide (no other is).
menu_window() {
    local id name
    windows | while read -r id name; do
        eval "$(xdotool getwindowgeometry --shell "$id")"
        if [ "$WIDTH" -eq 165 ]; then
            echo "$id"
            break
        fi
    done
}
geometry() { xdotool getwindowgeometry --shell "$1" | tr '\n' ' '; }

# --- 1. the button.
wait_for 'test -n "$(window_named Tarvel)"' || fail "the button did not show: $(cat "$WORK/tarvel.log")"
button=$(window_named Tarvel)
eval "$(xdotool getwindowgeometry --shell "$button")"
bx=$X by=$Y bw=$WIDTH bh=$HEIGHT
[ "$((by + bh))" -le 768 ] && [ "$bw" -gt 0 ] || fail "the button is off the screen: $(geometry "$button")"
echo "button at $bx,$by ${bw}x$bh"
shot button
click_button() { xdotool mousemove "$((bx + bw / 2))" "$((by + bh / 2))" click 1; }

# --- 2. the login window.
click_button
wait_for 'test -n "$(window_named "Tarvel Login")"' || fail "the login window did not open"
login=$(window_named 'Tarvel Login')
eval "$(xdotool getwindowgeometry --shell "$login")"
[ "$((Y + HEIGHT))" -le "$((by + 1))" ] || fail "the login window is not above the button: $(geometry "$login")"
sleep 0.5 # its slide
shot login
# The name box has the focus (no remembered names); the pointer rests on the
# window, where the keys go.
xdotool mousemove "$((X + WIDTH / 2))" "$((Y + 4))"
xdotool type --delay 30 demo
xdotool key Tab
xdotool type --delay 30 demo
xdotool key Return

# --- 3. the home menu above the button.
wait_for 'test -n "$(menu_window)"' || fail "the home menu did not open after the login: $(windows | tr '\n' ';')"
wait_for 'test -z "$(window_named "Tarvel Login")"' || fail "the login window stayed open"
sleep 0.6 # the slide
menu=$(menu_window)
eval "$(xdotool getwindowgeometry --shell "$menu")"
echo "home menu at $X,$Y ${WIDTH}x$HEIGHT"
[ "$HEIGHT" -gt 40 ] || fail "the home menu has no rows: $(geometry "$menu")"
[ "$((Y + HEIGHT))" -le "$((by + 1))" ] && [ "$Y" -ge 0 ] ||
    fail "the home menu is not above the button: $(geometry "$menu")"
shot menu-open

# --- 4. a click on the desktop closes it.
xdotool mousemove 900 100 click 1
wait_for 'test -z "$(menu_window)"' || fail "a click on the desktop left the home menu open"
kill -0 "$tarvel_pid" 2>/dev/null || fail "Tarvel ended"
shot menu-closed

# --- 5. the button opens it again.
click_button
wait_for 'test -n "$(menu_window)"' || fail "a second click on the button did not open the home menu"
sleep 0.6
menu=$(menu_window)
eval "$(xdotool getwindowgeometry --shell "$menu")"
[ "$((Y + HEIGHT))" -le "$((by + 1))" ] || fail "the reopened menu is not above the button: $(geometry "$menu")"
shot menu-again

echo "PASSED: button, login, menu above the button, closed by a desktop click, opened again"
echo "screenshots in $OUT"
exit 0
