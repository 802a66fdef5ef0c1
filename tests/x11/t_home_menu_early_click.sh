#!/usr/bin/env bash
# A click on the button as soon as it shows opens the home menu above the
# button, never at the screen's top left: a user who logs in by itself
# (remembered name and password) clicks as Tarvel starts. The window manager
# still framing the button reported it at the frame's corner for a moment,
# and the menu was placed from there. Six starts, each clicked at once.
#
#   t_home_menu_early_click.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops openbox2mon none
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_x
start_wm openbox
start_service
x11_prepare_programs
printf '[Login]\nAutoLogin=1\nUser0=demo\nPassword=demo\n' >>"$(settings_file)"

for try in 1 2 3 4 5 6; do
    (x11_exec "$BIN/Tarvel") >"$X11_WORK/tarvel.log" 2>&1 &
    tarvel_pid=$!
    X11_PIDS+=("$tarvel_pid")
    # As soon as it shows: the X server tells xdotool when it maps, and the
    # click goes where it shows.
    button=$(xdotool search --sync --onlyvisible --pid "$tarvel_pid" --name '^Tarvel$' 2>/dev/null |
        head -n 1)
    [ -n "$button" ] || fail "start $try: the button did not show"
    geom "$button"
    bx=$X by=$Y bw=$WIDTH bh=$HEIGHT
    click "$((bx + bw / 2))" "$((by + bh / 2))"
    wait_for 'test -n "$(menu_window)"' 20 || fail "start $try: the home menu did not open"
    menu=$(menu_window)
    settled "$menu"
    geom "$button"
    bx=$X by=$Y bw=$WIDTH bh=$HEIGHT
    geom "$menu"
    shot "start-$try"
    [ "$X" -eq "$bx" ] && [ "$((Y + HEIGHT))" -le "$by" ] && [ "$((Y + HEIGHT))" -ge "$((by - 2))" ] ||
        fail "start $try: the home menu opened at $X,$Y ${WIDTH}x$HEIGHT, not above the button ($bx,$by ${bw}x$bh)"
    x11_end_pid "$tarvel_pid"
    wait_for 'test -z "$(window_named Tarvel)"' 5 || fail "start $try: Tarvel's button stayed after it ended"
done

pass "six starts, each clicked at once: the home menu opened above the button"
