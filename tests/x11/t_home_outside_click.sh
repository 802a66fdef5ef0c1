#!/usr/bin/env bash
# The home menu closes on a click outside it under a window manager, as it
# does without one: on another program's window, on the desktop, and when
# another program's window is activated while the menu is open (the window
# manager maps our windows late and reparents them, so the pointer grab that
# brings the outside click must be taken once the window is viewable).
#
#   t_home_outside_click.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops none
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_desktop openbox
login_demo
start_other_program 200x200+600+100
geom "$other"
ox=$((X + WIDTH / 2)) oy=$((Y + HEIGHT / 2))

open_menu() {
    click_button
    wait_for 'test -n "$(menu_window)"' || fail "the button did not open the home menu ($1)"
    sleep 0.6 # the slide
}
closed_by() {
    wait_for 'test -z "$(menu_window)"' 3 || fail "the home menu stayed open after $1"
    tarvel_alive || fail "Tarvel ended after $1"
}

# (The new window may have taken the keyboard and closed the menu.)
[ -n "$(menu_window)" ] && click 900 60
wait_for 'test -z "$(menu_window)"' 3 || fail "a click on the desktop left the home menu open"
open_menu "with the other program shown"
shot menu-open
click "$ox" "$oy"
closed_by "a click on another program's window"
shot closed-by-other-window

for round in 1 2 3 4 5; do
    open_menu "round $round"
    if [ $((round % 2)) -eq 1 ]; then
        click 900 60
        closed_by "a click on the desktop (round $round)"
    else
        click "$ox" "$oy"
        closed_by "a click on another program's window (round $round)"
    fi
done

# Another program's window activated while the menu is open (the window
# manager moves the keyboard there).
if [ "$X11_WM" != none ]; then
    open_menu "before the activation"
    xdotool windowactivate "$other" 2>/dev/null
    closed_by "another program's window was activated"
    shot closed-by-activation
fi

pass "the home menu closes on clicks outside it and when another window is activated"
