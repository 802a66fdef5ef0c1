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
#   smoke.sh BIN_DIR OUT_DIR [openbox|xfwm4|none]   (default: no window manager)
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_desktop none

# --- 1. the button.
[ "$((by + bh))" -le 768 ] && [ "$bw" -gt 0 ] || fail "the button is off the screen: $(geometry "$button")"
echo "button at $bx,$by ${bw}x$bh"
shot button

# --- 2. the login window above the button.
click_button
wait_for 'test -n "$(window_named "Tarvel Login")"' || fail "the login window did not open"
login=$(window_named 'Tarvel Login')
geom "$login"
[ "$((Y + HEIGHT))" -le "$((by + 1))" ] || fail "the login window is not above the button: $(geometry "$login")"
sleep 0.5 # its slide
shot login
# The login window is open already: login_demo's click on the button would
# close it, so type here as it would.
move "$((X + WIDTH / 2))" "$((Y + 4))"
type_text demo
xdotool key Tab
type_text demo
xdotool key Return

# --- 3. the home menu above the button.
wait_for 'test -n "$(menu_window)"' || fail "the home menu did not open after the login: $(windows | tr '\n' ';')"
wait_for 'test -z "$(window_named "Tarvel Login")"' || fail "the login window stayed open"
sleep 0.6 # the slide
menu=$(menu_window)
geom "$menu"
echo "home menu at $X,$Y ${WIDTH}x$HEIGHT"
[ "$HEIGHT" -gt 40 ] || fail "the home menu has no rows: $(geometry "$menu")"
[ "$((Y + HEIGHT))" -le "$((by + 1))" ] && [ "$Y" -ge 0 ] ||
    fail "the home menu is not above the button: $(geometry "$menu")"
shot menu-open

# --- 4. a click on the desktop closes it.
click 900 100
wait_for 'test -z "$(menu_window)"' || fail "a click on the desktop left the home menu open"
tarvel_alive || fail "Tarvel ended"
shot menu-closed

# --- 5. the button opens it again.
click_button
wait_for 'test -n "$(menu_window)"' || fail "a second click on the button did not open the home menu"
sleep 0.6
menu=$(menu_window)
geom "$menu"
[ "$((Y + HEIGHT))" -le "$((by + 1))" ] || fail "the reopened menu is not above the button: $(geometry "$menu")"
shot menu-again

pass "button, login, menu above the button, closed by a desktop click, opened again"
