#!/usr/bin/env bash
# On every desktop, a message box shown while the login window is open (a
# character the server cannot take, typed into the name box: "Characters
# left out") closes with a click on its OK button; the login window stays,
# and once the box is gone it takes the desktop's clicks again (a click
# outside closes it). The window's pointer grab used to keep every click
# from the box.
#
#   t_login_message_box.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_desktop openbox

open_login
move "$((lx + lw / 2))" "$((ly + 4))"
wait_for 'test "$(xdotool getactivewindow 2>/dev/null)" = "$login"' 5 ||
    fail "the login window did not take the keyboard"
# xdotool types a letter outside the keyboard map by mapping it to a spare
# key for a moment; a client that reads the map late sees nothing typed, so
# the letter is typed again until it arrives.
for _ in 1 2 3 4 5; do
    xdotool type --delay 30 "Ж"
    wait_for 'test -n "$(window_named "Characters left out")"' 2 && break
done
test -n "$(window_named 'Characters left out')" ||
    fail "no message box for a character the server cannot take"
box=$(window_named 'Characters left out')
sleep 0.3
shot box-open
# Its one button, OK, sits in the box's lower right corner.
click $(box_button_point "$box")
wait_for 'test -z "$(window_named "Characters left out")"' 5 ||
    fail "a click on OK left the message box open"
test -n "$(window_named 'Tarvel Login')" || fail "closing the message box closed the login window"
shot box-closed

# A hand takes a moment to go from OK to the desktop; the window takes its
# grab back once the box has gone.
sleep 0.5
click 900 100
wait_for 'test -z "$(window_named "Tarvel Login")"' 5 ||
    fail "after the message box a click outside no longer closes the login window"

pass "the message box over the login window closes with the mouse; the login window keeps its capture"
