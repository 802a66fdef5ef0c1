#!/usr/bin/env bash
# Under a window manager with a panel, a login typed as a user types it logs
# in: the login window keeps the keyboard it was given when it opened, also
# when the button is put back on top meanwhile (at its first look at the
# taskbar, and when the panel comes up after Tarvel, as in a session that has
# just started, and moves it), so the name typed a moment later lands in the
# name box; a click on the password box puts the keyboard there, not on the
# button; Enter opens the home menu. (xfwm4 took the button's raise as a
# request to activate it.)
#
#   t_login_typed.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_x
X11_PANEL_LATER=1 start_wm xfwm4
start_service
start_tarvel

open_login
# The pointer rests where the user left it, on the button.
wait_for 'test "$(xdotool getactivewindow 2>/dev/null)" = "$login"' 5 ||
    fail "the login window did not take the keyboard when it opened"
geom "$button"
before="$X $Y"
area_before=$(workarea_bottom)
start_panel
# A panel that takes room along the bottom moves the button (tint2); one at
# the top (xfce4-panel) or one that came with the window manager (icewm,
# fluxbox) leaves it where it is.
if [ "$(workarea_bottom)" -lt "$area_before" ]; then
    wait_for 'geom "$button"; test "$X $Y" != "$before"' 5 ||
        fail "the panel did not move the button (still at $before)"
fi
# The user reads the window before typing: long enough for the button's
# taskbar watch (every second) to have put the button back on top.
sleep 1.5
shot login-read
# The button, moved up into the login window's corner, shows on top of it
# (its blue, not the window's grey).
button_blue() {
    local r b
    read -r r _ b <<<"$(window_main_colour "$button")"
    [ "${b:-0}" -gt "$((${r:-0} + 40))" ]
}
button_blue || fail "the button, moved by the panel, stayed under the login window"
keyboard_at=$(xdotool getactivewindow getwindowname 2>/dev/null)
type_text demo
# The password box: a click on it (its middle: 1627 x 862 twips of 3030 x 2010).
geom "$login"
click "$((X + WIDTH * 1627 / 3030))" "$((Y + HEIGHT * 862 / 2010))"
sleep 0.5
test -n "$(window_named 'Tarvel Login')" || fail "a click on the password box closed the login window"
type_text demo
shot typed
xdotool key Return
wait_for 'test "$(request_count loginUser)" -gt 0' 5 ||
    fail "the typed login was lost: no login went out (the keyboard was at \"$keyboard_at\" before the typing)"
requests loginUser | grep -q 'UserName=demo&Password=demo' ||
    fail "the login did not carry what was typed: $(requests loginUser) (keyboard at \"$keyboard_at\")"
wait_for 'test -n "$(menu_window)"' || fail "the home menu did not open after the login"
sleep 0.6 # the slide
shot home-menu
pass "the typed login reached the login window and opened the home menu"
